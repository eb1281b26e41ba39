#include "crashfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <unistd.h>

namespace crashfixture {

QString reporterProgram()
{
    return QStringLiteral(CRASH_REPORTER_FIXTURE);
}

QString stackwalkProgram()
{
    return QStringLiteral(BREAKPAD_STACKWALK);
}

QStringList dumpFiles(const QString& dir)
{
    QStringList result;
    const QFileInfoList entries = QDir(dir).entryInfoList({QStringLiteral("*.dmp")}, QDir::Files);
    for (const QFileInfo& entry : entries)
        result << entry.absoluteFilePath();
    return result;
}

QStringList waitForRecord(const QString& recordPath, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(recordPath)) {
        if (timer.elapsed() > timeoutMs)
            return {};
        QThread::msleep(5);
    }
    QFile file(recordPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList startedCleanly(const QString& reporter, const QString& dump)
{
    return {reporter,
            dump,
            QStringLiteral("dump present"),
            QStringLiteral("own session"),
            QStringLiteral("standard streams only"),
            QStringLiteral("no signals blocked")};
}

QString stackwalk(const QString& dump)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(stackwalkProgram(), {dump});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

bool makeAppDir(const QString& dir, bool withReporter)
{
    const QString built = qEnvironmentVariable("VESK_APP_DIR");
    if (built.isEmpty() || !QDir().mkpath(dir))
        return false;
    const QString program = dir + QStringLiteral("/vesk");
    if (link(QFile::encodeName(built + QStringLiteral("/vesk")).constData(), QFile::encodeName(program).constData()) !=
            0 &&
        !QFile::copy(built + QStringLiteral("/vesk"), program))
        return false;
    for (const QString& name : QDir(built).entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        if (name != QLatin1String("vesk") && !name.endsWith(QLatin1String(".dmp")) &&
            name != QLatin1String("CrashReporter") &&
            !QFile::link(built + QLatin1Char('/') + name, dir + QLatin1Char('/') + name))
            return false;
    }
    return !withReporter || QFile::copy(reporterProgram(), dir + QStringLiteral("/CrashReporter"));
}

} // namespace crashfixture
