#include "crashfixture.h"

#include <QtTest>

#include <csignal>

namespace {

// The real program in an application directory of its own, whose name has a blank in it.
struct ProgramRun {
    QTemporaryDir temp{qEnvironmentVariable("VESK_APP_DIR") + QStringLiteral("/../crash app XXXXXX")};
    QString appDir;
    QString record;
    QProcess process;
    QByteArray standardError;

    ~ProgramRun()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    // The working directory is elsewhere: a CrashReporter there would be taken by its bare name.
    bool prepare(bool withReporter)
    {
        appDir = QDir::cleanPath(temp.path()) + QStringLiteral("/app");
        record = QDir::cleanPath(temp.path()) + QStringLiteral("/reporter.record");
        return temp.isValid() && QDir().mkpath(workDir()) && crashfixture::makeAppDir(appDir, withReporter);
    }

    QString workDir() const { return QDir::cleanPath(temp.path()) + QStringLiteral("/work"); }

    void start(const QString& instanceName)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CRASHREPORTER_RECORD"), record);
        env.insert(QStringLiteral("VESK_INSTANCE_NAME"), instanceName);
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("default.debug=true"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(workDir());
        process.start(appDir + QStringLiteral("/vesk"), QStringList());
    }

    // The handler is installed just before the reporter is set, which the program tells.
    bool waitUntilCrashReportingIsSet(int timeoutMs)
    {
        const QByteArray line =
            "BreakpadQt: setReporter: CrashReporter -> " + QFile::encodeName(appDir) + "/CrashReporter";
        QElapsedTimer timer;
        timer.start();
        while (!standardError.contains(line) && timer.elapsed() < timeoutMs) {
            process.waitForReadyRead(100);
            standardError += process.readAllStandardError();
            if (process.state() == QProcess::NotRunning)
                break;
        }
        return standardError.contains(line);
    }

    bool finish(int timeoutMs)
    {
        const bool finished = process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
        standardError += process.readAllStandardError();
        return finished;
    }
};

QString instanceName(const char* what)
{
    return QStringLiteral("vesk-crash-%1-%2").arg(QLatin1String(what)).arg(QCoreApplication::applicationPid());
}

} // namespace

class CrashDumpTest : public QObject {
    Q_OBJECT
private slots:
    void crashWritesReadableDumpAndStartsReporter();
    void missingReporterIsReportedAndProcessEnds();
    void normalExitLeavesNoDump();
};

void CrashDumpTest::crashWritesReadableDumpAndStartsReporter()
{
    ProgramRun run;
    QVERIFY(run.prepare(true));
    run.start(instanceName("dump"));
    QVERIFY2(run.waitUntilCrashReportingIsSet(60000), run.standardError.constData());
    ::kill(pid_t(run.process.processId()), SIGSEGV);
    QVERIFY(run.finish(30000));
    QCOMPARE(run.process.exitStatus(), QProcess::CrashExit);

    const QStringList dumps = crashfixture::dumpFiles(run.appDir);
    QCOMPARE(dumps.size(), 1);
    const QStringList record = crashfixture::waitForRecord(run.record, 10000);
    QCOMPARE(record, crashfixture::startedCleanly(run.appDir + QStringLiteral("/CrashReporter"), dumps.first()));

    const QString report = crashfixture::stackwalk(dumps.first());
    QVERIFY2(report.contains(QLatin1String("Crash reason:  SIGSEGV")), qPrintable(report.left(2000)));
    // The crashing thread's stack, starting with its top frame.
    const QRegularExpression crashedThread(QStringLiteral("Thread \\d+ \\(crashed\\)\\n\\s*0  \\S+"));
    QVERIFY2(crashedThread.match(report).hasMatch(), qPrintable(report.left(2000)));
}

void CrashDumpTest::missingReporterIsReportedAndProcessEnds()
{
    ProgramRun run;
    QVERIFY(run.prepare(false));
    run.start(instanceName("missing"));
    QVERIFY2(run.waitUntilCrashReportingIsSet(60000), run.standardError.constData());
    ::kill(pid_t(run.process.processId()), SIGSEGV);
    QVERIFY(run.finish(30000));
    QCOMPARE(run.process.exitStatus(), QProcess::CrashExit);
    QVERIFY2(run.standardError.contains("CreateProcess failed (2).\n"), run.standardError.right(2000).constData());
    QCOMPARE(crashfixture::dumpFiles(run.appDir).size(), 1);
}

void CrashDumpTest::normalExitLeavesNoDump()
{
    // A later start hands over to the running instance and ends normally, its handler installed.
    ProgramRun first;
    QVERIFY(first.prepare(true));
    first.start(instanceName("exit"));
    QVERIFY2(first.waitUntilCrashReportingIsSet(60000), first.standardError.constData());
    QTest::qWait(2000);
    ProgramRun later;
    QVERIFY(later.temp.isValid() && QDir().mkpath(later.workDir()));
    later.appDir = first.appDir;
    later.record = first.record;
    later.start(instanceName("exit"));
    QVERIFY2(later.waitUntilCrashReportingIsSet(60000), later.standardError.constData());
    QVERIFY(later.finish(60000));
    QCOMPARE(later.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.process.exitCode(), 0);
    first.process.terminate();
    QVERIFY(first.finish(30000));
    QVERIFY(crashfixture::dumpFiles(first.appDir).isEmpty());
    QVERIFY(!QFileInfo::exists(first.record));
}

QTEST_GUILESS_MAIN(CrashDumpTest)
#include "tst_crashdump.moc"
