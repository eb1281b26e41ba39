#include "app/breakpadqt.h"
#include "app/crashcommandline.h"
#include "crashfixture.h"

#include <QtTest>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QStringList g_messages;

void recordMessage(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    g_messages << (type == QtDebugMsg ? QStringLiteral("debug: ") : QStringLiteral("warning: ")) + text;
}

// Runs fn with this process's standard error sent to a file; returns what was written there.
template <typename Fn> QByteArray captureStandardError(const QString& file, Fn fn)
{
    const int saved = dup(STDERR_FILENO);
    const int fd = open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDERR_FILENO);
    close(fd);
    fn();
    dup2(saved, STDERR_FILENO);
    close(saved);
    QFile captured(file);
    captured.open(QIODevice::ReadOnly);
    return captured.readAll();
}

QString repeated(char c, int count)
{
    return QString(count, QLatin1Char(c));
}

} // namespace

class BreakpadQtTest : public QObject {
    Q_OBJECT
private slots:
    void setReporter_data();
    void setReporter();
    void commandLine_data();
    void commandLine();
    void launchFailureText_data();
    void launchFailureText();
    void launchReporterStartsDetachedWithTwoArguments();
    void launchReporterReportsMissingProgram();
    void crashWritesDumpAndStartsReporter_data();
    void crashWritesDumpAndStartsReporter();
    void normalExitUninstallsHandler();

private:
    QTemporaryDir m_temp{QDir::tempPath() + QStringLiteral("/breakpad qt XXXXXX")};
};

void BreakpadQtTest::setReporter_data()
{
    // "<app>" stands for the application directory.
    QTest::addColumn<QString>("reporter");
    QTest::addColumn<QString>("entryInCurrentDir");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("messages");
    const QString app = QStringLiteral("<app>/CrashReporter");
    const QString atLimit = QLatin1Char('/') + repeated('a', 1022);
    const QString overLimit = QLatin1Char('/') + repeated('a', 1023);
    QTest::newRow("bare name") << "CrashReporter"
                               << "" << app << QStringList{"debug: BreakpadQt: setReporter: CrashReporter -> " + app};
    QTest::newRow("file of that name here") << "CrashReporter"
                                            << "file"
                                            << "CrashReporter"
                                            << QStringList{"debug: BreakpadQt: setReporter: CrashReporter -> "
                                                           "CrashReporter"};
    QTest::newRow("folder of that name here") << "CrashReporter"
                                              << "dir"
                                              << "CrashReporter"
                                              << QStringList{"debug: BreakpadQt: setReporter: CrashReporter -> "
                                                             "CrashReporter"};
    QTest::newRow("relative path cleaned")
        << "tools/../CrashReporter"
        << "" << app << QStringList{"debug: BreakpadQt: setReporter: tools/../CrashReporter -> " + app};
    QTest::newRow("absolute kept, silent") << "/opt/my tools/Reporter"
                                           << ""
                                           << "/opt/my tools/Reporter" << QStringList{};
    QTest::newRow("non-ASCII absolute") << QString::fromUtf8("/opt/Überwachung/Reporter") << ""
                                        << QString::fromUtf8("/opt/Überwachung/Reporter") << QStringList{};
    QTest::newRow("1023 bytes fit") << atLimit << "" << atLimit << QStringList{};
    QTest::newRow("1024 bytes refused") << overLimit << ""
                                        << ""
                                        << QStringList{"warning: BreakpadQt: setReporter: unusable path of 1024 bytes, "
                                                       "no reporter"};
    QTest::newRow("zero byte refused") << QStringLiteral("/opt/a") + QChar(0) + QStringLiteral("b") << ""
                                       << ""
                                       << QStringList{"warning: BreakpadQt: setReporter: unusable path of 8 bytes, "
                                                      "no reporter"};
}

void BreakpadQtTest::setReporter()
{
    QFETCH(QString, reporter);
    QFETCH(QString, entryInCurrentDir);
    QFETCH(QString, stored);
    QFETCH(QStringList, messages);
    const QString appDir = QCoreApplication::applicationDirPath();
    stored.replace(QLatin1String("<app>"), appDir);
    messages.replaceInStrings(QStringLiteral("<app>"), appDir);

    QTemporaryDir current;
    QVERIFY(current.isValid());
    if (entryInCurrentDir == QLatin1String("file")) {
        QFile file(current.filePath(QStringLiteral("CrashReporter")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (entryInCurrentDir == QLatin1String("dir")) {
        QVERIFY(QDir(current.path()).mkdir(QStringLiteral("CrashReporter")));
    }
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(current.path()));
    g_messages.clear();
    const QtMessageHandler old = qInstallMessageHandler(recordMessage);
    BreakpadQt::setReporter(reporter);
    qInstallMessageHandler(old);
    QDir::setCurrent(previous);

    QCOMPARE(g_messages, messages);
    QCOMPARE(QByteArray(BreakpadQt::reporterPath()), QFile::encodeName(stored));
}

void BreakpadQtTest::commandLine_data()
{
    QTest::addColumn<QString>("reporter");
    QTest::addColumn<QString>("dump");
    QTest::addColumn<QString>("line");
    QTest::addColumn<long>("programLength");
    // The longest stored reporter (1023 bytes) leaves 1575 for the dump path in 2600.
    const QString longReporter = QLatin1Char('/') + repeated('r', 1022);
    const QString fittingDump = QLatin1Char('/') + repeated('d', 1574);
    const QString longDump = QLatin1Char('/') + repeated('d', 1575);
    QTest::newRow("plain") << "/a/CrashReporter"
                           << "/a/x.dmp"
                           << "/a/CrashReporter /a/x.dmp" << 16L;
    QTest::newRow("blanks stay unquoted") << "/my apps/CrashReporter"
                                          << "/my apps/1 2.dmp"
                                          << "/my apps/CrashReporter /my apps/1 2.dmp" << 22L;
    QTest::newRow("no reporter") << ""
                                 << "/a/x.dmp"
                                 << " /a/x.dmp" << 0L;
    QTest::newRow("2599 characters fit") << longReporter << fittingDump << longReporter + ' ' + fittingDump << 1023L;
    QTest::newRow("2600 characters refused") << longReporter << longDump << "" << -1L;
    QTest::newRow("long reporter alone refused") << QLatin1Char('/') + repeated('r', 2600) << "/x.dmp"
                                                 << "" << -1L;
}

void BreakpadQtTest::commandLine()
{
    QFETCH(QString, reporter);
    QFETCH(QString, dump);
    QFETCH(QString, line);
    QFETCH(long, programLength);
    // Guard bytes after the buffer show that nothing is written past it.
    QByteArray buffer(BreakpadQt::CommandLineSize + 64, '#');
    const long length = crashcommandline::build(buffer.data(), BreakpadQt::CommandLineSize,
                                                reporter.toLocal8Bit().constData(), dump.toLocal8Bit().constData());
    QCOMPARE(length, programLength);
    QCOMPARE(QByteArray(buffer.constData()), line.toLocal8Bit());
    QCOMPARE(buffer.mid(BreakpadQt::CommandLineSize), QByteArray(64, '#'));
}

void BreakpadQtTest::launchFailureText_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("missing file") << 2 << 64 << QByteArray("CreateProcess failed (2).\n");
    QTest::newRow("name too long") << 36 << 64 << QByteArray("CreateProcess failed (36).\n");
    QTest::newRow("largest") << 2147483647 << 64 << QByteArray("CreateProcess failed (2147483647).\n");
    QTest::newRow("exact fit") << 13 << 28 << QByteArray("CreateProcess failed (13).\n");
    QTest::newRow("one short") << 13 << 27 << QByteArray();
}

void BreakpadQtTest::launchFailureText()
{
    QFETCH(int, error);
    QFETCH(int, capacity);
    QFETCH(QByteArray, text);
    QByteArray buffer(capacity + 8, '#');
    const std::size_t length = crashcommandline::launchFailure(buffer.data(), std::size_t(capacity), error);
    QCOMPARE(int(length), text.size());
    QCOMPARE(QByteArray(buffer.constData()), text);
    QCOMPARE(buffer.mid(capacity), QByteArray(8, '#'));
}

void BreakpadQtTest::launchReporterStartsDetachedWithTwoArguments()
{
    QVERIFY(m_temp.isValid());
    const QString reporter = m_temp.filePath(QStringLiteral("reporter dir/CrashReporter"));
    const QString dump = m_temp.filePath(QStringLiteral("dump dir/a b.dmp"));
    const QString record = m_temp.filePath(QStringLiteral("launch.record"));
    QVERIFY(QDir().mkpath(QFileInfo(reporter).path()) && QDir().mkpath(QFileInfo(dump).path()));
    QVERIFY(QFile::copy(crashfixture::reporterProgram(), reporter));
    QFile dumpFile(dump);
    QVERIFY(dumpFile.open(QIODevice::WriteOnly));
    dumpFile.close();

    // The reporter gets the caller's environment.
    qputenv("CRASHREPORTER_RECORD", QFile::encodeName(record));
    char line[BreakpadQt::CommandLineSize];
    const long programLength = crashcommandline::build(line, sizeof line, QFile::encodeName(reporter).constData(),
                                                       QFile::encodeName(dump).constData());
    QVERIFY(programLength > 0);
    QCOMPARE(BreakpadQt::launchReporter(line, std::size_t(programLength)), false);
    QCOMPARE(crashfixture::waitForRecord(record, 10000), crashfixture::startedCleanly(reporter, dump));
}

void BreakpadQtTest::launchReporterReportsMissingProgram()
{
    QVERIFY(m_temp.isValid());
    char line[BreakpadQt::CommandLineSize];
    const QByteArray missing = QFile::encodeName(m_temp.filePath(QStringLiteral("nowhere/CrashReporter")));
    const long programLength = crashcommandline::build(line, sizeof line, missing.constData(), "/tmp/x.dmp");
    bool result = true;
    const QByteArray written = captureStandardError(m_temp.filePath(QStringLiteral("stderr.txt")), [&] {
        result = BreakpadQt::launchReporter(line, std::size_t(programLength));
    });
    QCOMPARE(result, false);
    QCOMPARE(written, QByteArray("CreateProcess failed (2).\n"));
}

void BreakpadQtTest::crashWritesDumpAndStartsReporter_data()
{
    QTest::addColumn<QString>("dumpDir");
    QTest::addColumn<bool>("reporterPresent");
    QTest::addColumn<QByteArray>("standardError");
    // Ten 250-character folders: the dump path no longer fits the command line beside the reporter.
    QString deep = QStringLiteral("deep");
    for (int i = 0; i < 10; ++i)
        deep += QLatin1Char('/') + repeated('f', 250);
    QTest::newRow("plain folder") << "dumps" << true << QByteArray();
    QTest::newRow("blanks in the path") << "my dumps/with blanks" << true << QByteArray();
    QTest::newRow("reporter missing") << "dumps" << false << QByteArray("CreateProcess failed (2).\n");
    QTest::newRow("command line too long") << deep << true << QByteArray("CreateProcess failed (36).\n");
}

void BreakpadQtTest::crashWritesDumpAndStartsReporter()
{
    QFETCH(QString, dumpDir);
    QFETCH(bool, reporterPresent);
    QFETCH(QByteArray, standardError);
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/crash probe XXXXXX"));
    QVERIFY(temp.isValid());
    const QString dumps = temp.filePath(dumpDir);
    const QString reporter = temp.filePath(QStringLiteral("reporter dir/CrashReporter"));
    const QString record = temp.filePath(QStringLiteral("crash.record"));
    QVERIFY(QDir().mkpath(dumps) && QDir().mkpath(QFileInfo(reporter).path()));
    if (reporterPresent)
        QVERIFY(QFile::copy(crashfixture::reporterProgram(), reporter));

    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CRASHREPORTER_RECORD"), record);
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(CRASH_PROBE), {QStringLiteral("crash"), dumps, reporter});
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitStatus(), QProcess::CrashExit);

    const QStringList written = crashfixture::dumpFiles(dumps);
    QCOMPARE(written.size(), 1);
    QVERIFY(QFileInfo(written.first()).size() > 0);
    // Breakpad names a dump after a fresh unique id.
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{8}-[0-9a-f]{8}\\.dmp$"))
                 .match(QFileInfo(written.first()).fileName())
                 .hasMatch(),
             qPrintable(written.first()));
    QVERIFY(probe.readAllStandardError().contains(standardError));
    if (standardError.isEmpty())
        QCOMPARE(crashfixture::waitForRecord(record, 10000), crashfixture::startedCleanly(reporter, written.first()));
    else
        QVERIFY(!QFileInfo::exists(record));
}

void BreakpadQtTest::normalExitUninstallsHandler()
{
    QTemporaryDir dumps;
    QVERIFY(dumps.isValid());
    QProcess probe;
    probe.start(QStringLiteral(CRASH_PROBE), {QStringLiteral("exit"), dumps.path()});
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QVERIFY(crashfixture::dumpFiles(dumps.path()).isEmpty());
}

QTEST_GUILESS_MAIN(BreakpadQtTest)
#include "tst_breakpadqt.moc"
