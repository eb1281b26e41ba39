#include "logwatch.h"
#include "nginxserver.h"

#include "app/applog.h"
#include "update/updatecheck.h"
#include "update/updatedlg.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

class tst_updatecheck : public QObject {
    Q_OBJECT

    QTemporaryDir m_logDir;
    QTemporaryDir m_served;
    QScopedPointer<NginxServer> m_nginx;

    void setReply(const QByteArray& body)
    {
        QFile file(m_served.filePath("upgrade.json"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(body);
    }

    // Runs one check; a dialog that opens is recorded by its page and its kinds, then closed.
    struct Outcome {
        QString page;
        QStringList kinds;
        QStringList log;
        int found = 0;
    };
    Outcome check(bool manual, const QString& server = QString())
    {
        Outcome outcome;
        LogWatch log;
        UpdateCheck check;
        check.setServer(server.isEmpty() ? m_nginx->base() : server);
        connect(&check, &UpdateCheck::FindNewVersion, this, [&outcome] { ++outcome.found; });
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<updateDlg*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            outcome.page = dialog->findChild<QStackedWidget*>()->currentWidget()->objectName();
            outcome.kinds = dialog->kinds();
            dialog->reject();
        });
        closer.start(20);
        check.requestCheck("HX-BRIMLOCK-M1", "1.2", "1.0.0", manual);
        for (int i = 0; i < 500 && log.lines("updatesystem").isEmpty(); ++i)
            QTest::qWait(20);
        outcome.log = log.lines("updatesystem");
        return outcome;
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_logDir.path());
        applog::initialize(applog::Info);
        m_nginx.reset(new NginxServer(m_served.path()));
        QVERIFY(m_nginx->start());
    }

    void sendsTheFieldsInKeyOrder()
    {
        setReply(R"({"code":1})");
        check(false);
        QCOMPARE(m_nginx->requests().last(),
                 QString("/api/system/upgrade?deviceid=HX-BRIMLOCK-M1&fwversion=1.2&noencrypt=1&test=1&version=1.0.0"
                         "|-|Agent name goes here|200|GET"));

        LogWatch log;
        UpdateCheck noDevice;
        noDevice.setServer(m_nginx->base());
        noDevice.requestCheck(QString(), QString(), QString(), false);
        QTRY_VERIFY_WITH_TIMEOUT(!log.lines("updatesystem").isEmpty(), 10000);
        QCOMPARE(m_nginx->requests().last().section('|', 0, 0),
                 QString("/api/system/upgrade?deviceid=&fwversion=&noencrypt=1&test=1&version="));
    }

    void actsOnTheReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("manual");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("found");
        const QByteArray update = R"({"code":0,"ret":{"type":"0","deployment":"client,html","clientPackage":"x"}})";
        QTest::newRow("up to date, manual") << QByteArray(R"({"code":1})") << true << "pageInfo" << QStringList() << 0;
        QTest::newRow("up to date, at start-up") << QByteArray(R"({"code":1})") << false << "" << QStringList() << 0;
        QTest::newRow("update offered") << update << false << "pageFirst" << QStringList{"client", "html"} << 1;
        QTest::newRow("update offered, manual") << update << true << "pageFirst" << QStringList{"client", "html"} << 1;
        QTest::newRow("empty parts kept") << QByteArray(R"({"code":0,"ret":{"type":"0","deployment":"html,,x"}})")
                                          << false << "pageFirst" << QStringList{"html", "", "x"} << 1;
        QTest::newRow("type 1") << QByteArray(R"({"code":0,"ret":{"type":"1","deployment":"html"}})") << true << ""
                                << QStringList() << 1;
        QTest::newRow("type as a number")
            << QByteArray(R"({"code":0,"ret":{"type":0,"deployment":"html"}})") << true << "" << QStringList() << 1;
        QTest::newRow("empty deployment")
            << QByteArray(R"({"code":0,"ret":{"type":"0","deployment":""}})") << true << "" << QStringList() << 1;
        QTest::newRow("code as a string reads as 0")
            << QByteArray(R"({"code":"1","ret":{"type":"0","deployment":"firmware"}})") << true << "pageFirst"
            << QStringList{"firmware"} << 1;
        QTest::newRow("ret not an object") << QByteArray(R"({"code":0,"ret":5})") << true << "" << QStringList() << 1;
        QTest::newRow("other code") << QByteArray(R"({"code":7})") << true << "" << QStringList() << 0;
        QTest::newRow("not JSON") << QByteArray("<html>oops</html>") << true << "" << QStringList() << 0;
        QTest::newRow("not an object") << QByteArray("[1,2]") << true << "" << QStringList() << 0;
        QTest::newRow("no code") << QByteArray(R"({"ret":{"type":"0","deployment":"html"}})") << true << ""
                                 << QStringList() << 0;
        QTest::newRow("no ret") << QByteArray(R"({"code":0})") << true << "" << QStringList() << 0;
    }
    void actsOnTheReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, manual);
        QFETCH(QString, page);
        QFETCH(QStringList, kinds);
        QFETCH(int, found);
        setReply(reply);
        const Outcome outcome = check(manual);
        QCOMPARE(outcome.page, page);
        QCOMPARE(outcome.kinds, kinds);
        QCOMPARE(outcome.found, found);
        QCOMPARE(outcome.log, QStringList{QString::fromUtf8(reply)});
    }

    void unreachableServiceOnlyLogs()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const QString server = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        const Outcome outcome = check(true, server);
        QCOMPARE(outcome.page, QString());
        QCOMPARE(outcome.log.size(), 1);
        QVERIFY2(outcome.log.first().startsWith("Error: Connection refused"), qPrintable(outcome.log.first()));
    }

    void checkAskedForDuringTheDialogWaitsForIt()
    {
        setReply(R"({"code":1})");
        LogWatch log;
        UpdateCheck check;
        check.setServer(m_nginx->base());
        QSignalSpy again(&check, &UpdateCheck::recheckRequested);
        bool wasRunning = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto* dialog = QApplication::activeModalWidget()) {
                wasRunning = check.dialogRunning();
                check.deferCheck(false);
                check.deferCheck(true);
                QCOMPARE(again.count(), 0);
                dialog->close();
            }
        });
        closer.start(20);
        check.requestCheck(QString(), QString(), QString(), true);
        QTRY_COMPARE_WITH_TIMEOUT(again.count(), 1, 10000);
        QVERIFY(wasRunning);
        QVERIFY(!check.dialogRunning());
        QCOMPARE(again.first().first().toBool(), true);
        QCOMPARE(log.lines("updatesystem").size(), 1);

        // The closed dialog stays with its check and goes when the check goes.
        QPointer<updateDlg> dialog = check.currentDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
    }

    void deletingTheCheckDeletesItsDialog()
    {
        setReply(R"({"code":1})");
        auto* check = new UpdateCheck;
        check->setServer(m_nginx->base());
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [] {
            if (auto* dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        closer.start(20);
        check->requestCheck(QString(), QString(), QString(), true);
        QTRY_VERIFY_WITH_TIMEOUT(check->currentDialog() && !check->dialogRunning(), 10000);
        QPointer<updateDlg> dialog = check->currentDialog();
        delete check;
        QVERIFY(dialog.isNull());
    }

    void centredOnTheMainWindow_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QPoint>("corner");
        QTest::newRow("even sizes") << QRect(100, 50, 1100, 700) << QPoint(100 + 549 - 300, 50 + 349 - 190);
        QTest::newRow("odd sizes") << QRect(0, 0, 601, 381) << QPoint(0, 0);
        QTest::newRow("smaller than the dialog") << QRect(10, 10, 200, 100) << QPoint(10 + 99 - 300, 10 + 49 - 190);
        QTest::newRow("negative position") << QRect(-500, -20, 800, 600) << QPoint(-500 + 399 - 300, -20 + 299 - 190);
    }
    void centredOnTheMainWindow()
    {
        QFETCH(QRect, frame);
        QFETCH(QPoint, corner);
        QCOMPARE(UpdateCheck::centredOn(frame, QSize(600, 380)), corner);
    }
};

QTEST_MAIN(tst_updatecheck)
#include "tst_updatecheck.moc"
