// A small program around the real crash handler, for the tests:
//   crashprobe crash <dump directory> <reporter>   installs the handler and crashes
//   crashprobe exit <dump directory>               installs the handler and ends normally;
//                                                  exit code 0 only if it was uninstalled
#include "app/breakpadqt.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

void (*segvHandler())(int)
{
    struct sigaction current;
    sigaction(SIGSEGV, nullptr, &current);
    return current.sa_handler;
}

// SIGSEGV's handler before ours: the sanitizers have one of their own.
void (*g_before)(int) = nullptr;

// Registered before the crash state exists, so it runs after that state is destroyed.
void checkUninstalled()
{
    _exit(segvHandler() == g_before ? 0 : 3);
}

int* volatile g_nowhere = nullptr;

// A genuine invalid write; the undefined-behaviour sanitizer would stop the program before it.
__attribute__((noinline, no_sanitize("undefined"))) void crash()
{
    *g_nowhere = 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    g_before = segvHandler();
    std::atexit(checkUninstalled);
    QCoreApplication app(argc, argv);
    BreakpadQt::installCrashHandler(QString::fromLocal8Bit(argv[2]));
    if (!BreakpadQt::handlerInstalled() || segvHandler() == g_before)
        _exit(4);
    if (std::strcmp(argv[1], "crash") == 0 && argc > 3) {
        BreakpadQt::setReporter(QString::fromLocal8Bit(argv[3]));
        crash();
    }
    return 0;
}
