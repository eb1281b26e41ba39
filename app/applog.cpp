#include "app/applog.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

namespace applog {
namespace {

QMutex& lock()
{
    static QMutex mutex;
    return mutex;
}

QFile*& file()
{
    static QFile* f = nullptr;
    return f;
}

Severity& minimumSeverity()
{
    static Severity s = Info;
    return s;
}

const char* severityName(Severity s)
{
    switch (s) {
    case Verbose: return "VERBOSE";
    case Info: return "INFO";
    case Warning: return "WARNING";
    case Error: return "ERROR";
    default: return "FATAL";
    }
}

} // namespace

void initialize(Severity minimum)
{
    QMutexLocker locker(&lock());
    minimumSeverity() = minimum;
    if (!file()) {
        file() = new QFile(QStringLiteral("web.log"));
        if (!file()->open(QIODevice::WriteOnly | QIODevice::Append)) {
            delete file();
            file() = nullptr;
        }
    }
}

Severity severityFromName(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("verbose"))
        return Verbose;
    if (n == QLatin1String("warning"))
        return Warning;
    if (n == QLatin1String("error"))
        return Error;
    if (n == QLatin1String("disable"))
        return Disable;
    return Info;
}

bool admits(Severity severity)
{
    QMutexLocker locker(&lock());
    return severity >= minimumSeverity();
}

void write(Severity severity, const char* unit, const QString& text)
{
    QMutexLocker locker(&lock());
    if (severity < minimumSeverity() || !file())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = QStringLiteral("[%1:%2:%3] %4\n")
                                .arg(now.toString(QStringLiteral("MMdd/HHmmss.zzz")),
                                     QLatin1String(severityName(severity)), QLatin1String(unit), text)
                                .toUtf8();
    file()->write(line);
    file()->flush();
}

} // namespace applog
