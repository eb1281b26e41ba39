#include "logwatch.h"
#include "nginxserver.h"
#include "packagefixture.h"
#include "rawhttpserver.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/psupdatedownloader.h"

#include <QDirIterator>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

using namespace packagefixture;

namespace {

// One downloader in its own thread, with what it signalled recorded on the test's thread.
class DownloadRun : public QObject {
public:
    DownloadRun(const QString& url, const QString& kind)
    {
        thread = new QThread;
        downloader = new PsUpdateDownloader(thread, url, kind);
        connect(downloader, &PsUpdateDownloader::finishPart, this, [this](qint64 got, qint64 total) {
            parts.append({got, total});
        });
        connect(downloader, &PsUpdateDownloader::downLoadFinished, this, [this] { ++finished; });
        connect(downloader, &PsUpdateDownloader::downLoadFailed, this, [this] { ++failed; });
        connect(downloader, &PsUpdateDownloader::unpressFinished, this,
                [this](const QString& version) { unpacked.append(version); });
    }
    ~DownloadRun() override
    {
        QPointer<PsUpdateDownloader> left(downloader);
        downloader->deleteLater();
        thread->quit();
        thread->wait();
        // A thread that never ran never took the deferred delete.
        delete left.data();
        delete thread;
    }
    void start() { thread->start(); }

    QThread* thread;
    PsUpdateDownloader* downloader;
    QList<QPair<qint64, qint64>> parts;
    int finished = 0;
    int failed = 0;
    QStringList unpacked;
};

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : bytes)
        c = char(random.generate());
    return bytes;
}

} // namespace

class tst_psupdatedownloader : public QObject {
    Q_OBJECT

    QTemporaryDir m_logDir;
    QTemporaryDir m_served;
    QScopedPointer<QTemporaryDir> m_work;
    QScopedPointer<NginxServer> m_nginx;
    QByteArray m_package; // about 400 KB, incompressible

    QString kindDir(const QString& kind) const { return cefApplication::workDir + "tupdates/" + kind; }

    void serve(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_served.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    void leavePartial(const QString& kind, const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(kindDir(kind));
        QFile file(kindDir(kind) + "/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QStringList readyFiles(const QString& ready)
    {
        QStringList found;
        QDirIterator it(ready, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(ready).relativeFilePath(it.next());
        found.sort();
        return found;
    }

    QString lastRange() const { return m_nginx->requests().value(m_nginx->requests().size() - 1).section('|', 1, 1); }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_logDir.path());
        applog::initialize(applog::Info);
        m_package = packagefixture::package(packagebuilder::payload(
            "5.0.2", {{"pkg/Updater.exe", randomBytes(400000, 1)}, {"pkg/view/index.html", "<p>v5</p>"}}));
        serve("client.pkg", m_package);
        m_nginx.reset(new NginxServer(m_served.path()));
        QVERIFY(m_nginx->start());
    }

    void init()
    {
        m_work.reset(new QTemporaryDir);
        cefApplication::workDir = m_work->path() + "/";
    }

    void targetName_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("last segment before the query") << "http://h/packages/client.pkg?x=1"
                                                       << "client.pkg";
        QTest::newRow("plain") << "http://h/fw/update-2.bin"
                               << "update-2.bin";
        QTest::newRow("folder URL") << "http://h/packages/"
                                    << "tupdate-";
        QTest::newRow("parent segment") << "http://h/a/.."
                                        << "tupdate-";
    }
    void targetName()
    {
        QFETCH(QString, url);
        QFETCH(QString, name);
        const QString got = PsUpdateDownloader::targetName(url);
        if (name.endsWith('-'))
            QVERIFY2(QRegularExpression("^tupdate-\\d+$").match(got).hasMatch(), qPrintable(got));
        else
            QCOMPARE(got, name);
    }

    void preparesTheFolders()
    {
        leavePartial("html", "old.pkg", "stale");
        leavePartial("html", ".hidden", "kept");
        QDir().mkpath(kindDir("html") + "/ready");
        leavePartial(".", "stray.pkg", "stale");
        DownloadRun run(m_nginx->url("/client.pkg"), "html");
        QCOMPARE(QDir(kindDir("html")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{".hidden", "ready"}));
        QVERIFY(!QFileInfo::exists(kindDir(".") + "/stray.pkg"));
        QCOMPARE(run.downloader->targetPath(), kindDir("html") + "/client.pkg");
    }

    void resumesFromWholeHundredKibibytes_data()
    {
        QTest::addColumn<int>("partial");
        QTest::addColumn<QString>("range");
        QTest::newRow("no partial file") << -1 << "bytes=0-";
        QTest::newRow("250,000 bytes trimmed") << 250000 << "bytes=204800-";
        QTest::newRow("50,000 bytes dropped") << 50000 << "bytes=0-";
        QTest::newRow("exactly 204,800 bytes") << 204800 << "bytes=204800-";
    }
    void resumesFromWholeHundredKibibytes()
    {
        QFETCH(int, partial);
        QFETCH(QString, range);
        if (partial >= 0)
            leavePartial("client", "client.pkg", m_package.left(partial));
        DownloadRun run(m_nginx->url("/client.pkg"), "client");
        const qint64 resumed = qMax(0, partial) - qMax(0, partial) % int(PsUpdateDownloader::ResumeUnit);
        QCOMPARE(run.downloader->receivedBytes(), resumed);
        QCOMPARE(QFileInfo(run.downloader->targetPath()).size(), resumed);
        run.start();
        QTRY_COMPARE_WITH_TIMEOUT(run.unpacked, QStringList{"5.0.2"}, 10000);
        QCOMPARE(lastRange(), range);
        QCOMPARE(run.finished, 1);
        QCOMPARE(run.failed, 0);
        // Progress counts this transfer only.
        QCOMPARE(run.parts.last(), qMakePair(m_package.size() - resumed, m_package.size() - resumed));
        QCOMPARE(readyFiles(kindDir("client") + "/ready"), (QStringList{"Updater.exe", "view/index.html"}));
        QVERIFY(!QFileInfo::exists(kindDir("client") + "/client.pkg"));
    }

    void resumesAfterTheServerDied()
    {
        NginxServer slow(m_served.path());
        QVERIFY(slow.start("limit_rate 200k;"));
        {
            DownloadRun run(slow.url("/client.pkg"), "html");
            run.start();
            QTRY_VERIFY_WITH_TIMEOUT(run.downloader->receivedBytes() > 220000, 10000);
            slow.stop();
            QTRY_COMPARE_WITH_TIMEOUT(run.failed, 1, 10000);
            QCOMPARE(run.unpacked, QStringList());
        }
        const qint64 partial = QFileInfo(kindDir("html") + "/client.pkg").size();
        QVERIFY2(partial > 220000 && partial < m_package.size(), qPrintable(QString::number(partial)));

        QVERIFY(slow.start());
        DownloadRun again(slow.url("/client.pkg"), "html");
        QCOMPARE(again.downloader->receivedBytes(), partial - partial % PsUpdateDownloader::ResumeUnit);
        again.start();
        QTRY_COMPARE_WITH_TIMEOUT(again.unpacked, QStringList{"5.0.2"}, 10000);
        QCOMPARE(slow.requests().last().section('|', 1, 1),
                 QStringLiteral("bytes=%1-").arg(partial - partial % PsUpdateDownloader::ResumeUnit));
    }

    void serverIgnoringTheRangeStartsTheFileOver()
    {
        NginxServer noRanges(m_served.path());
        QVERIFY(noRanges.start("max_ranges 0;"));
        leavePartial("client", "client.pkg", m_package.left(204800));
        DownloadRun run(noRanges.url("/client.pkg"), "client");
        run.start();
        QTRY_COMPARE_WITH_TIMEOUT(run.unpacked, QStringList{"5.0.2"}, 10000);
        QCOMPARE(noRanges.requests().last().section('|', 3, 3), QString("200"));
    }

    void completeFileIsUnpackedOn416()
    {
        // Filler after the stream makes the package a whole number of 100 KiB, so it is kept.
        const QByteArray stream = m_package.mid(updatepackage::StreamOffset);
        const QByteArray whole = packagebuilder::assemble(
            m_package.mid(148, 5), qFromLittleEndian<qint32>(m_package.constData() + 153),
            stream + QByteArray(int(5 * PsUpdateDownloader::ResumeUnit) - m_package.size(), 'f'));
        QCOMPARE(whole.size(), int(5 * PsUpdateDownloader::ResumeUnit));
        serve("whole.pkg", whole);
        leavePartial("firmware", "whole.pkg", whole);
        DownloadRun run(m_nginx->url("/whole.pkg"), "firmware");
        run.start();
        QTRY_COMPARE_WITH_TIMEOUT(run.unpacked, QStringList{"5.0.2"}, 10000);
        QCOMPARE(m_nginx->requests().last().section('|', 3, 3), QString("416"));
        QCOMPARE(run.failed, 0);
    }

    void missingPackageFails()
    {
        DownloadRun run(m_nginx->url("/missing.pkg"), "html");
        run.start();
        QTRY_COMPARE_WITH_TIMEOUT(run.failed, 1, 10000);
        QCOMPARE(run.finished, 0);
        QCOMPARE(QDir(kindDir("html")).entryList(QDir::Files), QStringList());
    }

    void unexpectedStatusDiscardsTheProgramUpdate()
    {
        // A status other than 200, 206 and 416 that Qt does not treat as an error.
        const QByteArray page(150000, 'e');
        RawHttpServer server("HTTP/1.1 203 Elsewhere\r\nContent-Length: 150000\r\nConnection: close\r\n\r\n" + page);
        server.setPieceSize(32 * 1024);
        QDir().mkpath(kindDir("client") + "/ready");
        DownloadRun run(server.url("/other.pkg"), "html");
        run.start();
        QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(kindDir("client")), 10000);
        QTest::qWait(300);
        QCOMPARE(run.parts, (QList<QPair<qint64, qint64>>()));
        QCOMPARE(run.finished + run.failed + run.unpacked.size(), 0);
        QCOMPARE(QDir(kindDir("html")).entryList(QDir::Files), QStringList());
    }

    void serverWithoutLengthSendsTheWholePackage()
    {
        RawHttpServer server("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + m_package);
        server.setPieceSize(64 * 1024);
        DownloadRun run(server.url("/nolength.pkg"), "html");
        run.start();
        QTRY_COMPARE_WITH_TIMEOUT(run.unpacked, QStringList{"5.0.2"}, 10000);
        QCOMPARE(run.parts.first().second, qint64(-1));
        QCOMPARE(run.finished, 1);
    }

    void brokenDownloadIsNotResumed()
    {
        QByteArray corrupt = m_package;
        corrupt[300] = char(corrupt[300] ^ 0xFF);
        serve("corrupt.pkg", corrupt);
        LogWatch log;
        DownloadRun run(m_nginx->url("/corrupt.pkg"), "html");
        run.start();
        QTRY_COMPARE_WITH_TIMEOUT(log.lines("pspecific_wnd"),
                                  QStringList{"Update Error: bad SHA1 hash of update file!"}, 10000);
        QCOMPARE(run.unpacked, QStringList());
        QVERIFY(!QFileInfo::exists(kindDir("html") + "/corrupt.pkg"));
    }
};

QTEST_GUILESS_MAIN(tst_psupdatedownloader)
#include "tst_psupdatedownloader.moc"
