#include "app/cefapplication.h"
#include "update/pagebundleinstall.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QtTest>

namespace {

void put(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

QByteArray content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class tst_pagebundle : public QObject {
    Q_OBJECT

    QScopedPointer<QTemporaryDir> work;
    QStringList asked;

    QString at(const QString& relative) const { return cefApplication::workDir + relative; }
    QString ready(const QString& relative) const { return at("tupdates/html/ready/" + relative); }

    // The unpacked bundle: files at three depths, a hidden one, and an empty folder.
    void unpackBundle()
    {
        put(ready("index.html"), "<html>new</html>");
        put(ready("css/site.css"), "body { color: red; }");
        put(ready("js/lib/deep.js"), "deep()");
        put(ready(".hidden"), "hidden");
        QDir().mkpath(ready("img/empty"));
    }

    // Answers the Retry/Cancel box: `retry` answers, after `fix` ran.
    void answer(bool retry, std::function<void()> fix = {})
    {
        pagebundle::setAccessPrompt([this, retry, fix](const QString& destination) {
            asked << destination;
            if (fix)
                fix();
            return retry;
        });
    }

private slots:
    void init()
    {
        work.reset(new QTemporaryDir);
        cefApplication::workDir = work->path() + "/";
        asked.clear();
        answer(false);
        put(at("view/index.html"), "<html>old</html>");
        put(at("view/keep.txt"), "mine");
    }
    void cleanupTestCase() { pagebundle::setAccessPrompt({}); }

    void copiesTheBundleOverThePageFolder()
    {
        unpackBundle();
        put(at("tupdates/firmware/ready/update.bin"), "fw");
        QVERIFY(installPageBundle());
        QCOMPARE(content(at("view/index.html")), QByteArray("<html>new</html>"));
        QCOMPARE(content(at("view/css/site.css")), QByteArray("body { color: red; }"));
        QCOMPARE(content(at("view/js/lib/deep.js")), QByteArray("deep()"));
        QCOMPARE(content(at("view/.hidden")), QByteArray("hidden"));
        QVERIFY(QFileInfo(at("view/img/empty")).isDir());
        QCOMPARE(content(at("view/keep.txt")), QByteArray("mine"));
        // The unpacked bundle goes; "tupdates" stays while another kind still has files there.
        QVERIFY(!QFileInfo::exists(at("tupdates/html/ready")));
        QVERIFY(QFileInfo::exists(at("tupdates/firmware/ready/update.bin")));
        QVERIFY(asked.isEmpty());
    }

    void withoutABundleNothingIsCopied()
    {
        QVERIFY(installPageBundle());
        QCOMPARE(content(at("view/index.html")), QByteArray("<html>old</html>"));
        QVERIFY(asked.isEmpty());
    }

    // A destination that cannot be written: 30 attempts 100 ms apart, then the box. Cancel
    // discards the unpacked bundle.
    void inaccessibleDestination_data()
    {
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("obstacleIsFolder");
        QTest::addColumn<QString>("destination");
        QTest::newRow("a folder where a page file goes") << "view/index.html" << true << "view/index.html";
        QTest::newRow("a file where a page folder goes") << "view/css" << false << "view/css/site.css";
    }
    void inaccessibleDestination()
    {
        QFETCH(QString, obstacle);
        QFETCH(bool, obstacleIsFolder);
        QFETCH(QString, destination);
        unpackBundle();
        QFile::remove(at(obstacle));
        if (obstacleIsFolder)
            QDir().mkpath(at(obstacle + "/inside"));
        else
            put(at(obstacle), "in the way");

        QElapsedTimer took;
        took.start();
        QVERIFY(!installPageBundle());
        QVERIFY2(took.elapsed() >= 2900, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(asked, QStringList{at(destination)});
        QVERIFY(!QFileInfo::exists(at("tupdates/html/ready")));
    }

    void retryAfterTheFileIsFreed()
    {
        unpackBundle();
        QFile::remove(at("view/index.html"));
        QDir().mkpath(at("view/index.html/inside"));
        answer(true, [this] { QDir(at("view/index.html")).removeRecursively(); });
        QVERIFY(installPageBundle());
        QCOMPARE(asked.size(), 1);
        QCOMPARE(content(at("view/index.html")), QByteArray("<html>new</html>"));
        QCOMPARE(content(at("view/js/lib/deep.js")), QByteArray("deep()"));
    }

    // The box itself, as the user sees it, answered by pressing its Cancel button.
    void theMessageBox()
    {
        pagebundle::setAccessPrompt({});
        unpackBundle();
        QFile::remove(at("view/index.html"));
        QDir().mkpath(at("view/index.html/inside"));
        QString text, caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            caption = box->windowTitle();
            icon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Cancel)->click();
        });
        closer.start(50);
        QVERIFY(!installPageBundle());
        QCOMPARE(text, "Failed to update vesk :(\n" + at("view/index.html") + " is not accessible.");
        QCOMPARE(caption, QString("Update error!"));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, QMessageBox::Retry | QMessageBox::Cancel);
    }
};

QTEST_MAIN(tst_pagebundle)
#include "tst_pagebundle.moc"
