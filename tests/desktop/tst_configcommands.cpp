#include "bridge/configcommands.h"
#include "tst_tray_runningapp.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QWebEnginePage>

namespace {

const QByteArray kSettings = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                             "\t<client clientSize=\"640,480\" showConf=\"Ctrl+Alt+F11\" testTool=\"Ctrl+Alt+F12\" "
                             "closeFunc=\"hide\" language=\"en\" version=\"1.0.0\" autoStart=\"false\" />\n"
                             "\t<device deviceId=\"HX-1\"><info name=\"x\" /></device>\n"
                             "</root>\n";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Calls `handle` with the first modal file dialog that opens, from inside its event loop.
void whenFileDialogOpens(std::function<void(QFileDialog*)> handle)
{
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, handle] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        handle(dialog);
    });
    poll->start();
}

class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class ConfigCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void setConfAutoStart_data();
    void setConfAutoStart();
    void setConfRewritesTheSettingsFile();
    void setConfUnknownKey();
    void setConfUnparsableSettingsText();
    void setConfShortcut_data();
    void setConfShortcut();
    void setConfMissingArguments();
    void loadApp_data();
    void loadApp();
    void loadurl();
    void openUrl();
    void navigation_data();
    void navigation();
    void showDevTools();
    void fileDialogs_data();
    void fileDialogs();
    void fileDialogCancelled();
    void closeAppHides_data();
    void closeAppHides();
    void closeAppQuits();

private:
    void run(const QString& command, const QVariantMap& args, ReplyRecorder& reply)
    {
        m_window->dispatchCommand(command, args, reply.callback());
    }
    QString home() const { return qEnvironmentVariable("HOME"); }
    QString autostartEntry() const { return home() + QStringLiteral("/.config/autostart/lumora.desktop"); }

    vesk* m_window = nullptr;
    cefApplication* m_app = nullptr;
    QTemporaryDir m_files;
};

void ConfigCommandsTest::initTestCase()
{
    QVERIFY(runningapp::start());
    m_app = runningapp::app();
    m_window = m_app->mainWindow();
    QCOMPARE(m_app->clientValue(QStringLiteral("closeFunc")), QStringLiteral("hide"));
    QVERIFY(QDir().mkpath(home() + QStringLiteral("/Documents")));
}

void ConfigCommandsTest::setConfAutoStart_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("true") << "true" << true;
    QTest::newRow("TRUE") << "TRUE" << false;
    QTest::newRow("True") << "True" << false;
    QTest::newRow("1") << "1" << false;
    QTest::newRow("false") << "false" << false;
}

void ConfigCommandsTest::setConfAutoStart()
{
    QFETCH(QString, value);
    QFETCH(bool, enabled);
    ReplyRecorder reply;
    run(QStringLiteral("setConf"), {{"confKey", "autoStart"}, {"confValue", "true"}}, reply);
    QVERIFY(QFileInfo::exists(autostartEntry()));

    run(QStringLiteral("setConf"), {{"confKey", "autoStart"}, {"confValue", value}}, reply);
    QCOMPARE(reply.answers, 2);
    QVERIFY(reply.success);
    QCOMPARE(reply.text, QStringLiteral("modify conf sucess"));
    QCOMPARE(QFileInfo::exists(autostartEntry()), enabled);
    if (enabled)
        QVERIFY(readAll(autostartEntry()).contains("/vesk\" -autostart\n"));
    QCOMPARE(m_app->clientValue(QStringLiteral("autoStart")), value);
}

void ConfigCommandsTest::setConfRewritesTheSettingsFile()
{
    ReplyRecorder reply;
    run(QStringLiteral("setConf"), {{"confKey", "language"}, {"confValue", "de-DE"}}, reply);
    QCOMPARE(reply.text, QStringLiteral("modify conf sucess"));
    QCOMPARE(m_app->clientValue(QStringLiteral("language")), QStringLiteral("de-DE"));
    const QByteArray file = readAll(runningapp::settingsPath());
    QCOMPARE(QString::fromUtf8(file), m_app->settingsText());
    // The XML library's default save: its own declaration, tab indents, everything else kept.
    QVERIFY(file.startsWith("<?xml version=\"1.0\"?>\n<root>\n\t<client "));
    QVERIFY(file.contains(" language=\"de-DE\" "));
    QVERIFY(file.contains("<device deviceId=\"HX-1\">\n\t\t<info name=\"x\" />"));
}

void ConfigCommandsTest::setConfUnknownKey()
{
    const QMap<QString, QString> before = m_app->clientSettings();
    ReplyRecorder reply;
    run(QStringLiteral("setConf"), {{"confKey", "theme"}, {"confValue", "dark"}}, reply);
    QCOMPARE(reply.answers, 1);
    QVERIFY(!reply.success);
    QCOMPARE(reply.code, 0);
    QCOMPARE(reply.text, QStringLiteral("can't find conf name"));
    QCOMPARE(m_app->clientSettings(), before);
    QVERIFY(!readAll(runningapp::settingsPath()).contains("theme"));
}

// The table and its side effects change; the file, which cannot be rewritten, stays.
void ConfigCommandsTest::setConfUnparsableSettingsText()
{
    const QString text = m_app->settingsText();
    const QByteArray file = readAll(runningapp::settingsPath());
    m_app->setSettingsText(QStringLiteral("<root><client closeFunc=\"hide\""));
    ReplyRecorder reply;
    run(QStringLiteral("setConf"), {{"confKey", "closeFunc"}, {"confValue", "closeapp2"}}, reply);
    QCOMPARE(reply.answers, 0);
    QCOMPARE(m_app->clientValue(QStringLiteral("closeFunc")), QStringLiteral("closeapp2"));
    QCOMPARE(readAll(runningapp::settingsPath()), file);
    m_app->setSettingsText(text);
    QVERIFY(m_app->setClientValue(QStringLiteral("closeFunc"), QStringLiteral("hide")));
}

void ConfigCommandsTest::setConfShortcut_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("registered");
    QTest::newRow("showConf") << "showConf"
                              << "Ctrl+Alt+F9" << true;
    QTest::newRow("testTool") << "testTool"
                              << "Ctrl+Shift+F8" << true;
    QTest::newRow("showConf not a combination") << "showConf"
                                                << "Ctrl+Banana" << false;
    QTest::newRow("testTool empty") << "testTool" << QString() << false;
}

void ConfigCommandsTest::setConfShortcut()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, registered);
    ReplyRecorder reply;
    run(QStringLiteral("setConf"), {{"confKey", key}, {"confValue", value}}, reply);
    QCOMPARE(reply.answers, 1);
    QVERIFY(reply.success);
    QCOMPARE(reply.text, QString(QChar(registered ? 1 : 0)));
    const bool flag = key == QLatin1String("showConf") ? m_window->showConfRegistered : m_window->testToolRegistered;
    QCOMPARE(flag, registered);
    QCOMPARE(m_app->clientValue(key), value);
    QVERIFY(readAll(runningapp::settingsPath()).contains(QStringLiteral("%1=\"%2\"").arg(key, value).toUtf8()));
}

void ConfigCommandsTest::setConfMissingArguments()
{
    const QString text = m_app->settingsText();
    ReplyRecorder reply;
    run(QStringLiteral("setConf"), {{"confKey", "language"}}, reply);
    run(QStringLiteral("setConf"), {{"confValue", "ja"}}, reply);
    QCOMPARE(reply.answers, 0);
    QCOMPARE(m_app->settingsText(), text);
}

void ConfigCommandsTest::loadApp_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("starts");
    const QString folder = m_files.path();
    QTest::newRow("program with extra") << folder + "/tool.sh|--ignored" << true;
    QTest::newRow("missing") << folder + "/nothing-here" << false;
    QTest::newRow("not executable") << folder + "/plain.txt" << false;
    QTest::newRow("folder") << folder << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("only extra") << "|" + folder + "/tool.sh" << false;
}

void ConfigCommandsTest::loadApp()
{
    QFETCH(QString, program);
    QFETCH(bool, starts);
    const QString marker = m_files.filePath(QStringLiteral("started"));
    QFile::remove(marker);
    QFile script(m_files.filePath(QStringLiteral("tool.sh")));
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write(QStringLiteral("#!/bin/sh\necho \"$#\" > '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile plain(m_files.filePath(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly | QIODevice::Truncate));
    plain.write("#!/bin/sh\ntouch x\n");
    plain.close();

    ReplyRecorder reply;
    run(QStringLiteral("loadApp"), {{"path", program}}, reply);
    QCOMPARE(reply.answers, 1);
    QCOMPARE(reply.success, starts);
    QCOMPARE(reply.text, starts ? QStringLiteral("loadApp success!") : QStringLiteral("loadApp failed!"));
    if (starts) {
        QTRY_VERIFY(QFileInfo(marker).size() > 0);
        QCOMPARE(readAll(marker), QByteArray("0\n")); // started without parameters
    }
}

void ConfigCommandsTest::loadurl()
{
    QTRY_VERIFY_WITH_TIMEOUT(clientHandler()->GetBrowser(), 20000);
    QWebEnginePage* browser = clientHandler()->GetBrowser();
    ReplyRecorder reply;
    run(QStringLiteral("loadurl"), {{"url", "/view/other.html?tab=2#mouse"}}, reply);
    const QUrl expected(QUrl::fromLocalFile(QCoreApplication::applicationDirPath()).toString() +
                        QStringLiteral("/view/other.html?tab=2#mouse"));
    QCOMPARE(expected.query(), QStringLiteral("tab=2"));
    QTRY_COMPARE_WITH_TIMEOUT(browser->requestedUrl(), expected, 10000);
    QCOMPARE(reply.answers, 0);
}

void ConfigCommandsTest::openUrl()
{
    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("vesktest"), &sink, "open");
    ReplyRecorder reply;
    run(QStringLiteral("openUrl"), {{"url", "vesktest://host/a b"}}, reply);
    QDesktopServices::unsetUrlHandler(QStringLiteral("vesktest"));
    QCOMPARE(reply.text, QStringLiteral("open successed"));
    QCOMPARE(sink.urls.size(), 1);
    QCOMPARE(sink.urls.at(0).toString(QUrl::FullyEncoded), QStringLiteral("vesktest://host/a%20b"));
}

void ConfigCommandsTest::navigation_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("back") << "goback";
    QTest::newRow("forward") << "goforward";
}

// Answered even when there is nowhere to go.
void ConfigCommandsTest::navigation()
{
    QFETCH(QString, command);
    ReplyRecorder reply;
    run(command, {}, reply);
    QCOMPARE(reply.answers, 1);
    QVERIFY(reply.success);
    QCOMPARE(reply.text, command);
}

void ConfigCommandsTest::showDevTools()
{
    clientHandler()->setDevMenuEnabled(true);
    ReplyRecorder reply;
    run(QStringLiteral("showDevTools"), {}, reply);
    QVERIFY(!clientHandler()->devMenuEnabled());
    QCOMPARE(reply.answers, 0);
}

void ConfigCommandsTest::fileDialogs_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QFileDialog::AcceptMode>("mode");
    QTest::newRow("save") << "saveFileDialog"
                          << "SaveFileDialog"
                          << "pfd(*.pfd)"
                          << "new.pfd" << QFileDialog::AcceptSave;
    QTest::newRow("open") << "openFileDialog"
                          << "OpenFileDialog"
                          << "pfd(*.pfd)"
                          << "saved.pfd" << QFileDialog::AcceptOpen;
    QTest::newRow("program") << "openFileDialogExe"
                             << "OpenFileDialog"
                             << "(*.exe)"
                             << "Game.exe" << QFileDialog::AcceptOpen;
}

// The dialog runs modally over the main window; a request that arrives meanwhile is answered
// from inside it, before the dialog's own answer.
void ConfigCommandsTest::fileDialogs()
{
    QFETCH(QString, command);
    QFETCH(QString, caption);
    QFETCH(QString, filter);
    QFETCH(QString, file);
    QFETCH(QFileDialog::AcceptMode, mode);
    const QString documents = home() + QStringLiteral("/Documents");
    const QString chosen = documents + QLatin1Char('/') + file;
    if (mode == QFileDialog::AcceptOpen) {
        QFile existing(chosen);
        QVERIFY(existing.open(QIODevice::WriteOnly));
    }

    QStringList order;
    QString seenCaption;
    QStringList seenFilters;
    QString seenFolder;
    QWidget* seenParent = nullptr;
    ReplyRecorder meanwhile;
    whenFileDialogOpens([&](QFileDialog* dialog) {
        seenCaption = dialog->windowTitle();
        seenFilters = dialog->nameFilters();
        seenFolder = dialog->directory().absolutePath();
        seenParent = dialog->parentWidget();
        m_window->onJsMessage(QStringLiteral("{\"funcname\":\"goback\"}"), meanwhile.callback());
        order << QStringLiteral("meanwhile:") + meanwhile.text;
        // Entered in the name field, as a person types it.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            dialog->reject();
            return;
        }
        name->clear();
        name->setText(chosen);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it
    });
    ReplyRecorder reply;
    run(command, {}, reply);
    order << QStringLiteral("dialog");

    QCOMPARE(order, QStringList({"meanwhile:goback", "dialog"}));
    QCOMPARE(seenCaption, caption);
    QCOMPARE(seenFilters, QStringList{filter});
    QCOMPARE(seenFolder, documents);
    QCOMPARE(seenParent, m_window);
    QCOMPARE(reply.answers, 1);
    QVERIFY(reply.success);
    if (command == QLatin1String("openFileDialogExe")) {
        QCOMPARE(reply.text, QDir::toNativeSeparators(chosen) + QLatin1Char('|') +
                                 QCoreApplication::applicationDirPath() + QStringLiteral("/view/icon/Game.png"));
    } else {
        QCOMPARE(reply.text, chosen);
    }
}

void ConfigCommandsTest::fileDialogCancelled()
{
    for (const char* command : {"saveFileDialog", "openFileDialog", "openFileDialogExe"}) {
        whenFileDialogOpens([](QFileDialog* dialog) { dialog->reject(); });
        ReplyRecorder reply;
        run(QLatin1String(command), {}, reply);
        QVERIFY2(reply.answers == 0, command);
    }
}

void ConfigCommandsTest::closeAppHides_data()
{
    QTest::addColumn<QString>("closeFunc");
    QTest::newRow("hide") << "hide";
    QTest::newRow("other case") << "closeApp";
}

void ConfigCommandsTest::closeAppHides()
{
    QFETCH(QString, closeFunc);
    QVERIFY(m_app->setClientValue(QStringLiteral("closeFunc"), closeFunc));
    const QString path = m_files.filePath(QStringLiteral("hidden.xml"));
    m_window->documents.insert(path, QStringLiteral("<a/>"));
    m_window->pendingPaths = QStringList{path};
    m_window->show();
    ReplyRecorder reply;
    run(QStringLiteral("closeApp"), {}, reply);
    QCOMPARE(reply.text, QStringLiteral("modify conf sucess"));
    QVERIFY(!m_window->isVisible());
    QCOMPARE(readAll(path), QByteArray("<a/>"));
    QVERIFY(m_window->pendingPaths.isEmpty());
    QVERIFY(!cefApplication::quitting());
    QFile::remove(path);
}

void ConfigCommandsTest::closeAppQuits()
{
    QVERIFY(m_app->setClientValue(QStringLiteral("closeFunc"), QStringLiteral("closeapp")));
    const QString path = m_files.filePath(QStringLiteral("quit.xml"));
    m_window->documents.insert(path, QStringLiteral("<b/>"));
    m_window->pendingPaths = QStringList{path};
    ReplyRecorder reply;
    QTimer::singleShot(0, m_window, [&] { run(QStringLiteral("closeApp"), {}, reply); });
    QVERIFY(runningapp::waitForQuit(10000));
    QVERIFY(cefApplication::quitting());
    QCOMPARE(reply.text, QStringLiteral("modify conf sucess"));
    QCOMPARE(readAll(path), QByteArray("<b/>"));
}

int main(int argc, char** argv)
{
    return runningapp::run<ConfigCommandsTest>(argc, argv, kSettings);
}
#include "tst_configcommands.moc"
