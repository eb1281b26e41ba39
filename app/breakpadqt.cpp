#include "app/breakpadqt.h"

#include "app/crashcommandline.h"
#include "app/crashlauncher.h"

#include <client/linux/handler/exception_handler.h>
#include <client/linux/handler/minidump_descriptor.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

#ifdef Q_OS_WIN
const QLatin1String kExecutableSuffix(".exe");
#else
const QLatin1String kExecutableSuffix("");
#endif

// Created on first use, destroyed at process exit; deleting the handler uninstalls it.
struct CrashState {
    CrashState() { crashlauncher::prepare(); }
    std::unique_ptr<google_breakpad::ExceptionHandler> handler;
    char reporter[BreakpadQt::ReporterBufferSize] = {};
};

CrashState& state()
{
    static CrashState s;
    return s;
}

void reportLaunchFailure(int error)
{
    char message[64];
    crashlauncher::writeStandardError(message, crashcommandline::launchFailure(message, sizeof message, error));
}

} // namespace

bool BreakpadQt::handlerInstalled()
{
    return state().handler != nullptr;
}

void BreakpadQt::installCrashHandler(const QString& dumpDirectory)
{
    CrashState& s = state();
    const google_breakpad::MinidumpDescriptor descriptor(QFile::encodeName(dumpDirectory).toStdString());
    s.handler = std::make_unique<google_breakpad::ExceptionHandler>(descriptor, nullptr, &BreakpadQt::onMinidumpWritten,
                                                                    nullptr, true, -1);
}

void BreakpadQt::setReporter(const QString& reporter)
{
    QString path = reporter;
    if (!QDir::isAbsolutePath(reporter)) {
        if (!QFileInfo::exists(reporter))
            path = QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + reporter +
                                   kExecutableSuffix);
        qDebug("BreakpadQt: setReporter: %s -> %s", reporter.toLocal8Bit().constData(), path.toLocal8Bit().constData());
    }
    const QByteArray encoded = QFile::encodeName(path);
    char* buffer = state().reporter;
    // A cut path would name some other program: one that does not fit, or that a zero byte
    // would end early, is not kept at all.
    if (encoded.size() >= static_cast<int>(ReporterBufferSize) || encoded.contains('\0')) {
        qWarning("BreakpadQt: setReporter: unusable path of %d bytes, no reporter", int(encoded.size()));
        buffer[0] = '\0';
        return;
    }
    std::memcpy(buffer, encoded.constData(), static_cast<std::size_t>(encoded.size()) + 1);
}

const char* BreakpadQt::reporterPath()
{
    return state().reporter;
}

bool BreakpadQt::onMinidumpWritten(const google_breakpad::MinidumpDescriptor& descriptor, void*, bool)
{
    // Breakpad names the dump "<dump directory>/<id>.dmp".
    char commandLine[CommandLineSize];
    const long programLength =
        crashcommandline::build(commandLine, sizeof commandLine, state().reporter, descriptor.path());
    if (programLength < 0)
        reportLaunchFailure(ENAMETOOLONG);
    else
        launchReporter(commandLine, static_cast<std::size_t>(programLength));
    return true;
}

bool BreakpadQt::launchReporter(char* commandLine, std::size_t programLength)
{
    commandLine[programLength] = '\0';
    char* argv[] = {commandLine, commandLine + programLength + 1, nullptr};
    const int error = crashlauncher::start(commandLine, argv);
    if (error != 0)
        reportLaunchFailure(error);
    return false;
}
