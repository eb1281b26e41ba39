#include "monitor/drivepath.h"
#include "monitor/moniterbindings.h"
#include "monitor/process_moniter.h"

#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QString tableText(const QMap<QString, QString>& bindings)
{
    QStringList entries;
    for (auto it = bindings.constBegin(); it != bindings.constEnd(); ++it)
        entries << it.key() + QLatin1Char('=') + it.value();
    return entries.join(QLatin1Char(';'));
}

QByteArray moniterXml(const QList<QPair<QString, QStringList>>& modes)
{
    QByteArray xml = "<conf><modeSetting>";
    for (const auto& mode : modes) {
        xml += "<mode index=\"" + mode.first.toUtf8() + "\">";
        for (const QString& program : mode.second)
            xml += "<app bindingProcess=\"" + program.toUtf8() + "\"/>";
        xml += "</mode>";
    }
    return xml + "</modeSetting></conf>";
}

// A monitor on its own thread whose reports and process snapshots the test sees.
class MonitorRun {
public:
    explicit MonitorRun(const QString& bindingFile)
    {
        MoniterEnvironment environment = MoniterEnvironment::system();
        environment.bindingFile = bindingFile;
        environment.snapshot = [this](const processsnapshot::Visitor& visit) {
            const bool listed = processsnapshot::forEachExecutable(visit);
            ++m_snapshots;
            return listed;
        };
        environment.report = [this](const QString& index, bool running) {
            QMutexLocker lock(&m_lock);
            m_reports << index + (running ? QStringLiteral(":on") : QStringLiteral(":off"));
        };
        m_monitor = new ProcessMoniter(&m_thread, environment);
        m_thread.start();
    }
    ~MonitorRun()
    {
        m_monitor->deleteLater();
        m_thread.quit();
        m_thread.wait();
    }

    QStringList reports() const
    {
        QMutexLocker lock(&m_lock);
        return m_reports;
    }
    int snapshots() const { return m_snapshots.load(); }
    // Returns right after a scan, so the next one is about a second away.
    bool waitForScan(int timeoutMs = 3000) const
    {
        const int before = m_snapshots.load();
        QElapsedTimer timer;
        timer.start();
        while (m_snapshots.load() == before && timer.elapsed() < timeoutMs)
            QThread::msleep(2);
        return m_snapshots.load() != before;
    }

private:
    QThread m_thread;
    ProcessMoniter* m_monitor = nullptr;
    mutable QMutex m_lock;
    QStringList m_reports;
    std::atomic<int> m_snapshots{0};
};

// Copies of sleep at known absolute paths, so each one is a distinct bound program.
class Programs {
public:
    ~Programs()
    {
        for (auto& process : m_running)
            stop(process.get());
    }
    QString make(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        if (!QFile::exists(path)) {
            QFile::copy(QStringLiteral("/bin/sleep"), path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return path;
    }
    QProcess* run(const QString& name, const QString& seconds = QStringLiteral("60"))
    {
        auto process = std::make_unique<QProcess>();
        process->start(make(name), {seconds});
        if (!process->waitForStarted())
            qFatal("cannot start %s", qPrintable(name));
        m_running.push_back(std::move(process));
        return m_running.back().get();
    }
    static void stop(QProcess* process)
    {
        process->kill();
        process->waitForFinished();
    }
    const QTemporaryDir& dir() const { return m_dir; }

private:
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_running;
};

constexpr int kEventWaitMs = 4000;

} // namespace

class ProcessMoniterTest : public QObject {
    Q_OBJECT
private slots:
    // Needs the process's first load of the bindings, so it runs first.
    void firstLoadThenRestart();
    void bindings_data();
    void bindings();
    void tenThousandBindings();
    void drivePath_data();
    void drivePath();
    void nothingBoundTakesNoSnapshot_data();
    void nothingBoundTakesNoSnapshot();
    void startAndStop();
    void twoInstancesCountAsOne();
    void pathsCompareExactly();
    void shortLivedProgramIsNotReported();
    void twoStartsInOneScanInKeyOrder();
    void boundInTwoModesReportsTheLater();
};

void ProcessMoniterTest::firstLoadThenRestart()
{
    QCOMPARE(ProcessMoniter::loadCount(), 0);
    Programs programs;
    const QString running = programs.make(QStringLiteral("running"));
    const QString idle = programs.make(QStringLiteral("idle"));
    const QString file =
        writeFile(programs.dir(), QStringLiteral("Moniter.xml"), moniterXml({{"1", {running}}, {"2", {idle}}}));
    programs.run(QStringLiteral("running"));
    {
        // The first load starts from "not running": the running program is reported as started.
        MonitorRun first(file);
        QTRY_COMPARE_WITH_TIMEOUT(first.reports(), QStringList{"1:on"}, kEventWaitMs);
        QVERIFY(first.waitForScan());
        QCOMPARE(first.reports(), QStringList{"1:on"});
    }
    QCOMPARE(ProcessMoniter::loadCount(), 1);
    // A later load starts from "running": only the program that does not run is reported.
    MonitorRun restarted(file);
    QTRY_COMPARE_WITH_TIMEOUT(restarted.reports(), QStringList{"2:off"}, kEventWaitMs);
    QVERIFY(restarted.waitForScan());
    QCOMPARE(restarted.reports(), QStringList{"2:off"});
    QCOMPARE(ProcessMoniter::loadCount(), 2);
}

void ProcessMoniterTest::bindings_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("table");

    QTest::newRow("two modes") << moniterXml({{"0", {"/opt/a"}}, {"1", {"/opt/b", "/opt/c"}}}) << true
                               << "/opt/a=0;/opt/b=1;/opt/c=1";
    QTest::newRow("malformed") << QByteArray("<conf><modeSetting><mode index=\"1\">") << false << "";
    QTest::newRow("not xml at all") << QByteArray("\x00\xff garbage", 11) << false << "";
    QTest::newRow("empty file") << QByteArray() << false << "";
    QTest::newRow("other root") << QByteArray("<root><modeSetting><mode index=\"1\"><a bindingProcess=\"/x\"/>"
                                              "</mode></modeSetting></root>")
                                << true << "";
    QTest::newRow("no bindingProcess") << QByteArray("<conf><modeSetting><mode index=\"0\"/><mode index=\"1\">"
                                                     "<app name=\"x\"/></mode></modeSetting></conf>")
                                       << true << "";
    QTest::newRow("empty first child ends the mode")
        << QByteArray("<conf><modeSetting><mode index=\"1\"><a bindingProcess=\"\"/><b bindingProcess=\"/opt/b\"/>"
                      "</mode><mode index=\"2\"><c bindingProcess=\"/opt/c\"/><d/><e bindingProcess=\"/opt/e\"/>"
                      "</mode></modeSetting></conf>")
        << true << "/opt/c=2";
    QTest::newRow("bound twice: the later mode")
        << moniterXml({{"1", {"/opt/a"}}, {"2", {"/opt/a"}}}) << true << "/opt/a=2";
    QTest::newRow("mode without index")
        << QByteArray("<conf><modeSetting><mode><a bindingProcess=\"/opt/a\"/></mode></modeSetting></conf>") << true
        << "/opt/a=";
    QTest::newRow("utf-8 and entities") << moniterXml({{"3", {"/opt/sp\xc3\xa4t &amp; fr\xc3\xbch"}}}) << true
                                        << QString::fromUtf8("/opt/sp\xc3\xa4t & fr\xc3\xbch=3");
    QTest::newRow("keys in code-unit order")
        << moniterXml({{"1", {"/opt/b", "/opt/B", "/opt/a"}}}) << true << "/opt/B=1;/opt/a=1;/opt/b=1";
}

void ProcessMoniterTest::bindings()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, loaded);
    QFETCH(QString, table);
    QTemporaryDir dir;
    const QString file = writeFile(dir, QStringLiteral("Moniter.xml"), xml);
    QMap<QString, QString> bindings{{"/stale", "9"}};
    QMap<QString, bool> status{{"/stale", true}};
    QCOMPARE(moniterbindings::load(file, true, &bindings, &status), loaded);
    QCOMPARE(tableText(bindings), table);
    QCOMPARE(status.keys(), bindings.keys());
    for (bool running : status)
        QVERIFY(running);
    QMap<QString, bool> initiallyStopped;
    moniterbindings::load(file, false, &bindings, &initiallyStopped);
    for (bool running : initiallyStopped)
        QVERIFY(!running);
}

void ProcessMoniterTest::tenThousandBindings()
{
    Programs programs;
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many << QStringLiteral("/opt/games/game%1").arg(i);
    const QString bound = programs.make(QStringLiteral("bound"));
    many << bound;
    const QString file = writeFile(programs.dir(), QStringLiteral("Moniter.xml"), moniterXml({{"4", many}}));
    QMap<QString, QString> bindings;
    QMap<QString, bool> status;
    QVERIFY(moniterbindings::load(file, false, &bindings, &status));
    QCOMPARE(bindings.size(), 10001);

    MonitorRun run(file);
    // A restart: every program that does not run is reported.
    QTRY_COMPARE_WITH_TIMEOUT(run.reports().size(), 10001, kEventWaitMs);
    QCOMPARE(run.reports().count(QStringLiteral("4:off")), 10001);
    programs.run(QStringLiteral("bound"));
    QTRY_COMPARE_WITH_TIMEOUT(run.reports().size(), 10002, kEventWaitMs);
    QCOMPARE(run.reports().last(), QStringLiteral("4:on"));
}

void ProcessMoniterTest::drivePath_data()
{
    QTest::addColumn<QString>("image");
    QTest::addColumn<bool>("converted");
    QTest::addColumn<QString>("result");
    const QString longName(300, QLatin1Char('x'));
    QTest::newRow("volume 2") << "\\Device\\HarddiskVolume2\\Games\\Game.exe" << true << "C:\\Games\\Game.exe";
    QTest::newRow("second drive") << "\\Device\\HarddiskVolume3\\Tools\\a.exe" << true << "D:\\Tools\\a.exe";
    QTest::newRow("substring, not only prefix") << "\\??\\Device\\HarddiskVolume3\\b.exe" << true << "D:\\e3\\b.exe";
    QTest::newRow("network path") << "\\Device\\Mup\\server\\share\\a.exe" << false << "Unknown";
    QTest::newRow("device name alone") << "\\Device\\HarddiskVolume2" << true << "C:\\";
    QTest::newRow("cut to the buffer") << "\\Device\\HarddiskVolume2\\" + longName << true
                                       << "C:\\" + longName.left(int(drivepath::kMaxPath) - 4);
}

void ProcessMoniterTest::drivePath()
{
    QFETCH(QString, image);
    QFETCH(bool, converted);
    QFETCH(QString, result);
    const std::vector<drivepath::DosDrive> drives{
        {u'A', u""}, {u'C', u"\\Device\\HarddiskVolume2"}, {u'D', u"\\Device\\HarddiskVolume3"}};
    std::u16string out;
    QCOMPARE(drivepath::toDrivePath(image.toStdU16String(), drives, &out), converted);
    QCOMPARE(QString::fromStdU16String(out), result);
}

void ProcessMoniterTest::nothingBoundTakesNoSnapshot_data()
{
    QTest::addColumn<QByteArray>("xml"); // empty: no file at all
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("malformed") << QByteArray("<conf><modeSetting>");
    QTest::newRow("no bindingProcess") << QByteArray("<conf><modeSetting><mode index=\"0\"/></modeSetting></conf>");
}

void ProcessMoniterTest::nothingBoundTakesNoSnapshot()
{
    QFETCH(QByteArray, xml);
    QTemporaryDir dir;
    const QString file = xml.isEmpty() ? dir.filePath(QStringLiteral("Moniter.xml"))
                                       : writeFile(dir, QStringLiteral("Moniter.xml"), xml);
    MonitorRun run(file);
    QTest::qWait(2300);
    QCOMPARE(run.snapshots(), 0);
    QVERIFY(run.reports().isEmpty());
}

void ProcessMoniterTest::startAndStop()
{
    Programs programs;
    const QString file = writeFile(programs.dir(), QStringLiteral("Moniter.xml"),
                                   moniterXml({{"5", {programs.make(QStringLiteral("game"))}}}));
    MonitorRun run(file);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), QStringList{"5:off"}, kEventWaitMs);
    QProcess* game = programs.run(QStringLiteral("game"));
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), (QStringList{"5:off", "5:on"}), kEventWaitMs);
    Programs::stop(game);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), (QStringList{"5:off", "5:on", "5:off"}), kEventWaitMs);
}

void ProcessMoniterTest::twoInstancesCountAsOne()
{
    Programs programs;
    const QString file = writeFile(programs.dir(), QStringLiteral("Moniter.xml"),
                                   moniterXml({{"6", {programs.make(QStringLiteral("game"))}}}));
    QProcess* first = programs.run(QStringLiteral("game"));
    MonitorRun run(file);
    QVERIFY(run.waitForScan());
    QVERIFY(run.reports().isEmpty()); // running at the restart: nothing to report
    QProcess* second = programs.run(QStringLiteral("game"));
    Programs::stop(first);
    QVERIFY(run.waitForScan());
    QVERIFY(run.waitForScan());
    QVERIFY(run.reports().isEmpty());
    Programs::stop(second);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), QStringList{"6:off"}, kEventWaitMs);
}

void ProcessMoniterTest::pathsCompareExactly()
{
    Programs programs;
    programs.make(QStringLiteral("game"));
    const QString upper = programs.dir().filePath(QStringLiteral("Game"));
    const QString dotted = programs.dir().path() + QStringLiteral("/./game");
    const QString file =
        writeFile(programs.dir(), QStringLiteral("Moniter.xml"), moniterXml({{"7", {upper}}, {"8", {dotted}}}));
    MonitorRun run(file);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), (QStringList{"8:off", "7:off"}), kEventWaitMs);
    programs.run(QStringLiteral("game"));
    QVERIFY(run.waitForScan());
    QVERIFY(run.waitForScan());
    QCOMPARE(run.reports(), (QStringList{"8:off", "7:off"}));
}

void ProcessMoniterTest::shortLivedProgramIsNotReported()
{
    Programs programs;
    const QString file = writeFile(programs.dir(), QStringLiteral("Moniter.xml"),
                                   moniterXml({{"9", {programs.make(QStringLiteral("blink"))}}}));
    MonitorRun run(file);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), QStringList{"9:off"}, kEventWaitMs);
    QVERIFY(run.waitForScan());
    QProcess* blink = programs.run(QStringLiteral("blink"), QStringLiteral("0.05"));
    QVERIFY(blink->waitForFinished());
    QVERIFY(run.waitForScan());
    QVERIFY(run.waitForScan());
    QCOMPARE(run.reports(), QStringList{"9:off"});
}

void ProcessMoniterTest::twoStartsInOneScanInKeyOrder()
{
    Programs programs;
    const QString file = writeFile(
        programs.dir(), QStringLiteral("Moniter.xml"),
        moniterXml({{"z", {programs.make(QStringLiteral("b"))}}, {"y", {programs.make(QStringLiteral("a"))}}}));
    MonitorRun run(file);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), (QStringList{"y:off", "z:off"}), kEventWaitMs);
    QVERIFY(run.waitForScan());
    programs.run(QStringLiteral("b"));
    programs.run(QStringLiteral("a"));
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), (QStringList{"y:off", "z:off", "y:on", "z:on"}), kEventWaitMs);
}

void ProcessMoniterTest::boundInTwoModesReportsTheLater()
{
    Programs programs;
    const QString game = programs.make(QStringLiteral("game"));
    const QString file =
        writeFile(programs.dir(), QStringLiteral("Moniter.xml"), moniterXml({{"1", {game}}, {"2", {game}}}));
    MonitorRun run(file);
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), QStringList{"2:off"}, kEventWaitMs);
    programs.run(QStringLiteral("game"));
    QTRY_COMPARE_WITH_TIMEOUT(run.reports(), (QStringList{"2:off", "2:on"}), kEventWaitMs);
}

QTEST_GUILESS_MAIN(ProcessMoniterTest)
#include "tst_processmoniter.moc"
