#include "nginxserver.h"
#include "packagebuilder.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/updatedlg.h"
#include "update/updaterhandoff.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

namespace {

QByteArray randomBytes(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& c : bytes)
        c = char(random.generate());
    return bytes;
}

QByteArray content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool xdotool(const QStringList& args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

} // namespace

class tst_updatedlg : public QObject {
    Q_OBJECT

    QTemporaryDir logDir;
    QTemporaryDir served;
    QScopedPointer<QTemporaryDir> work;
    QScopedPointer<NginxServer> nginx;

    void serve(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(served.filePath(name)).path());
        QFile file(served.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    static QString page(updateDlg& dialog)
    {
        return dialog.findChild<QStackedWidget*>()->currentWidget()->objectName();
    }
    template <typename W> static W* child(updateDlg& dialog, const char* name)
    {
        return dialog.findChild<W*>(QLatin1String(name));
    }
    static QString installText(updateDlg& dialog) { return child<QLabel>(dialog, "lb_install")->text(); }

    QStringList packageRequests() const
    {
        QStringList uris;
        for (const QString& line : nginx->requests())
            uris << line.section('|', 0, 0);
        return uris;
    }

    QJsonObject description(const QString& client, const QString& html, const QString& firmware) const
    {
        auto url = [this](const QString& path) { return path.isEmpty() ? QString() : nginx->url("/" + path); };
        return {{"type", "0"},
                {"clientPackage", url(client)},
                {"devicePackage", url(html)},
                {"firmwarePackage", url(firmware)}};
    }

    void clickUpdate(updateDlg& dialog)
    {
        QTest::mouseClick(child<QPushButton>(dialog, "uninstallButton"), Qt::LeftButton);
    }

    // Takes the screen around the dialog into docs/, when asked to (tools write the README's).
    void screenshot(updateDlg& dialog, const QString& name)
    {
        const QString folder = qEnvironmentVariable("VESK_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        QTest::qWait(300);
        const QRect frame = dialog.frameGeometry().adjusted(-20, -20, 20, 20);
        QProcess::execute(
            "import",
            {"-window", "root", "-crop",
             QStringLiteral("%1x%2+%3+%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y()),
             "+repage", folder + "/" + name + ".png"});
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(logDir.path());
        applog::initialize(applog::Info);
        QFile style(":/qss/vesk");
        QVERIFY(style.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(style.readAll()));

        serve("client.pkg", packagebuilder::build("2.0.0", {{"pkg/Updater.exe", "#!/bin/sh\nexit 0\n"},
                                                            {"pkg/vesk", randomBytes(300000, 1)}}));
        serve("slow/client.pkg", packagebuilder::build("2.0.0", {{"pkg/Updater.exe", "#!/bin/sh\nexit 0\n"},
                                                                 {"pkg/vesk", randomBytes(600000, 2)}}));
        serve("html.pkg", packagebuilder::build(
                              "3.1.0", {{"pkg/index.html", "<html>new page</html>"}, {"pkg/css/app.css", "body{}"}}));
        serve("firmware.pkg", packagebuilder::build("1.3.0", {{"pkg/update.bin", QByteArray(67170, '\0')}}));
        nginx.reset(new NginxServer(served.path()));
        QVERIFY(nginx->start("location /slow/ { limit_rate 400k; }"));
    }

    void init()
    {
        work.reset(new QTemporaryDir);
        cefApplication::workDir = work->path() + "/";
        cefApplication::exeDir = cefApplication::workDir;
        QDir().mkpath(cefApplication::workDir + "view");
        QFile old(cefApplication::workDir + "view/index.html");
        old.open(QIODevice::WriteOnly);
        old.write("<html>old page</html>");
        updaterPending = false;
    }

    void everyImageOfTheStyleSheetIsThere()
    {
        QFile style(":/qss/vesk");
        QVERIFY(style.open(QIODevice::ReadOnly));
        const QString sheet = QString::fromUtf8(style.readAll());
        QRegularExpressionMatchIterator urls = QRegularExpression("url\\((:[^)]+)\\)").globalMatch(sheet);
        int images = 0;
        while (urls.hasNext()) {
            const QString path = urls.next().captured(1);
            QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
            ++images;
        }
        QCOMPARE(images, 11);
        QVERIFY(!QPixmap(":/image/background").isNull());
        updateDlg dialog;
        QVERIFY(!dialog.windowIcon().isNull());
    }

    void startsOneDownloadPerNamedKind_data()
    {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QStringList>("requested");
        QTest::newRow("client and html") << QStringList{"client", "html"} << QStringList{"client.pkg", "html.pkg", ""}
                                         << QStringList{"/client.pkg", "/html.pkg"};
        QTest::newRow("a kind without URL")
            << QStringList{"client", "firmware"} << QStringList{"", "html.pkg", "firmware.pkg"}
            << QStringList{"/firmware.pkg"};
        QTest::newRow("URL of a kind not named")
            << QStringList{"html"} << QStringList{"client.pkg", "html.pkg", "firmware.pkg"} << QStringList{"/html.pkg"};
        QTest::newRow("no known kind") << QStringList{"Client", " html", ""}
                                       << QStringList{"client.pkg", "html.pkg", "firmware.pkg"} << QStringList();
    }
    void startsOneDownloadPerNamedKind()
    {
        QFETCH(QStringList, kinds);
        QFETCH(QStringList, urls);
        QFETCH(QStringList, requested);
        const int before = nginx->requests().size();
        updateDlg dialog;
        dialog.setUpdateInfo(description(urls[0], urls[1], urls[2]), kinds);
        dialog.show();
        clickUpdate(dialog);
        QCOMPARE(page(dialog), QString("pageThird"));
        QTest::qWait(1500);
        QStringList got = packageRequests().mid(before);
        got.sort();
        QCOMPARE(got, requested);
        if (requested.isEmpty())
            QCOMPARE(installText(dialog), QString("Downloading package resources。。。"));
    }

    void programPackageOffersRestart()
    {
        updateDlg dialog;
        dialog.setUpdateInfo(description("client.pkg", "", ""), {"client"});
        QSignalSpy restart(&dialog, &updateDlg::needupdate);
        dialog.show();
        screenshot(dialog, "update-offer");
        clickUpdate(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(updaterPending, 10000);
        QCOMPARE(page(dialog), QString("pageFirst"));
        QCOMPARE(child<QLabel>(dialog, "lb_text")->text(), QString("The download is complete,Restart now?"));
        QCOMPARE(child<QPushButton>(dialog, "uninstallButton")->text(), QString("Restart Now"));
        QVERIFY(QFileInfo(cefApplication::exeDir + "Updater.exe").isExecutable());
        screenshot(dialog, "update-restart");

        const int requests = nginx->requests().size();
        clickUpdate(dialog);
        QCOMPARE(restart.count(), 1);
        QTest::qWait(300);
        QCOMPARE(nginx->requests().size(), requests);
    }

    void pageBundleReplacesTheViewAndCloses()
    {
        updateDlg dialog;
        dialog.setUpdateInfo(description("", "html.pkg", ""), {"html"});
        dialog.show();
        clickUpdate(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(installText(dialog), QString("Update Complete"));
        QCOMPARE(content(cefApplication::workDir + "view/index.html"), QByteArray("<html>new page</html>"));
        QCOMPARE(content(cefApplication::workDir + "view/css/app.css"), QByteArray("body{}"));
        QVERIFY(!QFileInfo::exists(cefApplication::workDir + "tupdates/html/ready"));
    }

    // The page bundle arrives first and closes the dialog; the program package still arms the
    // updater for the next exit.
    void programPackageAfterTheDialogClosed()
    {
        updateDlg dialog;
        dialog.setUpdateInfo(description("slow/client.pkg", "html.pkg", ""), {"client", "html"});
        dialog.show();
        clickUpdate(dialog);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
        QVERIFY(!updaterPending);
        QTRY_VERIFY_WITH_TIMEOUT(updaterPending, 15000);
        QVERIFY(!dialog.isVisible());
    }

    void progressMovesWhileDownloading()
    {
        updateDlg dialog;
        dialog.setUpdateInfo(description("slow/client.pkg", "", ""), {"client"});
        auto* bar = child<QProgressBar>(dialog, "pb_install");
        QList<int> values;
        connect(bar, &QProgressBar::valueChanged, [&values](int v) { values << v; });
        dialog.show();
        clickUpdate(dialog);
        QVERIFY(bar->isTextVisible());
        QTest::qWait(700);
        screenshot(dialog, "update-progress");
        QTRY_VERIFY_WITH_TIMEOUT(updaterPending, 15000);
        QVERIFY2(values.size() >= 3, qPrintable(QString::number(values.size())));
        QCOMPARE(values.last(), 100);
        QVERIFY(std::is_sorted(values.begin(), values.end()));
    }

    void failedDownloadSaysSo()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const QString url = QStringLiteral("http://127.0.0.1:%1/client.pkg").arg(closed.serverPort());
        closed.close();
        updateDlg dialog;
        dialog.setUpdateInfo({{"clientPackage", url}}, {"client"});
        dialog.show();
        clickUpdate(dialog);
        QTRY_COMPARE_WITH_TIMEOUT(installText(dialog), QString("Download failed, please check the network"), 10000);
        screenshot(dialog, "update-failed");
        QVERIFY(!updaterPending);
    }

    // Without a mouse in the device table nothing is flashed, and the label says so.
    void firmwareWithoutMouse()
    {
        updateDlg dialog;
        dialog.setUpdateInfo(description("", "", "firmware.pkg"), {"firmware"});
        dialog.show();
        clickUpdate(dialog);
        QTRY_COMPARE_WITH_TIMEOUT(installText(dialog), QString("鼠标更新失败。。。"), 10000);
    }

    void progressValue_data()
    {
        QTest::addColumn<qint64>("part");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("value");
        QTest::newRow("half") << qint64(50) << qint64(100) << 50;
        QTest::newRow("truncated") << qint64(2) << qint64(3) << 66;
        QTest::newRow("all") << qint64(7) << qint64(7) << 100;
        QTest::newRow("above 4 GiB") << qint64(6000000000) << qint64(6000000000) << 100;
        QTest::newRow("no length") << qint64(5000) << qint64(-1) << 10;
        QTest::newRow("total 0") << qint64(5) << qint64(0) << 10;
        QTest::newRow("more than the total") << qint64(300) << qint64(100) << 10;
    }
    void progressValue()
    {
        QFETCH(qint64, part);
        QFETCH(qint64, total);
        QFETCH(int, value);
        updateDlg dialog;
        dialog.on_finishPart(1, 10);
        dialog.on_finishPart(part, total);
        QCOMPARE(child<QProgressBar>(dialog, "pb_install")->value(), value);
    }

    void dragArea_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("drags");
        QTest::newRow("margin") << QPoint(3, 200) << true;
        QTest::newRow("title band") << QPoint(300, 35) << true;
        QTest::newRow("empty page area") << QPoint(40, 100) << true;
        QTest::newRow("close button") << QPoint(570, 28) << false;
        QTest::newRow("update button") << QPoint(330, 270) << false;
        QTest::newRow("label") << QPoint(130, 140) << false;
        QTest::newRow("outside") << QPoint(700, 10) << false;
    }
    void dragArea()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, drags);
        updateDlg dialog;
        dialog.setUpdateInfo({}, {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.dragsWindow(at), drags);
    }

    // Real pointer events from the X server: the background drags, a button does not.
    void draggingMovesTheDialog_data()
    {
        QTest::addColumn<QPoint>("grab");
        QTest::addColumn<bool>("moves");
        QTest::newRow("by the background") << QPoint(300, 35) << true;
        QTest::newRow("by the page") << QPoint(40, 120) << true;
        QTest::newRow("by a button") << QPoint(220, 270) << false;
    }
    void draggingMovesTheDialog()
    {
        QFETCH(QPoint, grab);
        QFETCH(bool, moves);
        updateDlg dialog;
        dialog.move(200, 150);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(200);
        const QPoint start = dialog.pos();
        const QPoint press = dialog.mapToGlobal(grab);
        QVERIFY(xdotool({"mousemove", QString::number(press.x()), QString::number(press.y())}));
        QTest::qWait(100);
        QVERIFY(xdotool({"mousedown", "1"}));
        QTest::qWait(100);
        for (int step = 1; step <= 5; ++step) {
            QVERIFY(
                xdotool({"mousemove", QString::number(press.x() + 16 * step), QString::number(press.y() + 10 * step)}));
            QTest::qWait(50);
        }
        QVERIFY(xdotool({"mouseup", "1"}));
        if (moves)
            QTRY_COMPARE_WITH_TIMEOUT(dialog.pos(), start + QPoint(80, 50), 3000);
        else {
            QTest::qWait(300);
            QCOMPARE(dialog.pos(), start);
        }
    }

    void upToDatePage()
    {
        updateDlg dialog;
        dialog.showInfoPage();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        screenshot(dialog, "update-latest");
        QTest::mouseClick(child<QPushButton>(dialog, "pb_ok"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(tst_updatedlg)
#include "tst_updatedlg.moc"
