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

bool segvHandled()
{
    struct sigaction current;
    sigaction(SIGSEGV, nullptr, &current);
    return (current.sa_flags & SA_SIGINFO) ? current.sa_sigaction != nullptr : current.sa_handler != SIG_DFL;
}

// Registered before the crash state exists, so it runs after that state is destroyed.
void checkUninstalled()
{
    _exit(segvHandled() ? 3 : 0);
}

int* volatile g_nowhere = nullptr;

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    std::atexit(checkUninstalled);
    QCoreApplication app(argc, argv);
    BreakpadQt::installCrashHandler(QString::fromLocal8Bit(argv[2]));
    if (!BreakpadQt::handlerInstalled() || !segvHandled())
        _exit(4);
    if (std::strcmp(argv[1], "crash") == 0 && argc > 3) {
        BreakpadQt::setReporter(QString::fromLocal8Bit(argv[3]));
        *g_nowhere = 1;
    }
    return 0;
}
