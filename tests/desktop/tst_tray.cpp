#include "tst_tray_runningapp.h"

#include <QAction>
#include <QMenu>
#include <QProcess>

namespace {

const QByteArray kSettings =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
    "\t<client clientSize=\"640,480\" closeFunc=\"hide\" language=\"en\" version=\"1.0.0\" />\n"
    "</root>\n";

bool xdotool(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Clicks as a person would: apart from the clicks before, so that no two of them merge.
bool clickAt(const QPoint& point, const char* button, int repeat = 1)
{
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    return xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                    QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat),
                    QStringLiteral("--delay"), QStringLiteral("60"), QLatin1String(button)});
}

} // namespace

class TrayTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void iconAndMenu();
    void menuLanguage_data();
    void menuLanguage();
    void clickShowsTheWindow_data();
    void clickShowsTheWindow();
    void middleClickDoesNothing();
    void menuTextsFollowTheSettingOnRequest();
    void openShowsTheWindow();
    void exitWritesDocumentsAndQuits();

private:
    QStringList menuTexts() const;
    bool openMenu();
    QPoint actionCenter(int index) const;
    // The activation reasons the icon reports after `act`, once `done` holds or time is up.
    QList<int> reasonsWhile(const std::function<bool()>& act, const std::function<bool(const QList<int>&)>& done,
                            int milliseconds = 5000);

    QProcess m_trayHost;
    vesk* m_window = nullptr;
    SystemTray* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    QTemporaryDir m_files;
};

void TrayTest::initTestCase()
{
    // An XEmbed tray host on the virtual display, as a desktop panel would be.
    m_trayHost.start(QStringLiteral("trayer"),
                     {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                      QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                      QStringLiteral("--height"), QStringLiteral("32"), QStringLiteral("--transparent"),
                      QStringLiteral("false")});
    QVERIFY(m_trayHost.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    QVERIFY(runningapp::start());
    m_window = runningapp::app()->mainWindow();
    m_tray = m_window->tray;
    m_menu = m_tray->contextMenu();
    QVERIFY(m_menu);
    QTRY_VERIFY_WITH_TIMEOUT(m_tray->geometry().width() > 0, 10000);
    // The host embeds the icon a moment after it has a place: probe with a click that does
    // nothing until the icon answers.
    bool answered = false;
    for (int attempt = 0; attempt < 10 && !answered; ++attempt)
        answered = !reasonsWhile([&] { return clickAt(m_tray->geometry().center(), "2"); },
                                 [](const QList<int>& seen) { return !seen.isEmpty(); }, 500)
                        .isEmpty();
    QVERIFY(answered);
}

void TrayTest::cleanupTestCase()
{
    m_trayHost.kill();
    m_trayHost.waitForFinished();
}

QStringList TrayTest::menuTexts() const
{
    QStringList texts;
    for (const QAction* action : m_menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

bool TrayTest::openMenu()
{
    m_menu->hide();
    if (!clickAt(m_tray->geometry().center(), "3"))
        return false;
    QDeadlineTimer deadline(5000);
    while (!m_menu->isVisible() && !deadline.hasExpired())
        QTest::qWait(20);
    return m_menu->isVisible();
}

QList<int> TrayTest::reasonsWhile(const std::function<bool()>& act, const std::function<bool(const QList<int>&)>& done,
                                  int milliseconds)
{
    QList<int> reasons;
    const QMetaObject::Connection connection = connect(
        m_tray, &QSystemTrayIcon::activated, this, [&reasons](QSystemTrayIcon::ActivationReason r) { reasons << r; });
    if (act()) {
        QDeadlineTimer deadline(milliseconds);
        while (!done(reasons) && !deadline.hasExpired())
            QTest::qWait(20);
    }
    disconnect(connection);
    return reasons;
}

QPoint TrayTest::actionCenter(int index) const
{
    return m_menu->mapToGlobal(m_menu->actionGeometry(m_menu->actions().at(index)).center());
}

void TrayTest::iconAndMenu()
{
    QVERIFY(m_tray->isVisible());
    QVERIFY(!m_tray->icon().isNull());
    QCOMPARE(m_tray->toolTip(), QStringLiteral("Brimlock Driver"));
    QCOMPARE(menuTexts(), QStringList({"Open", "-", "Exit"}));
    QVERIFY(m_menu->objectName().isEmpty());
    QCOMPARE(m_menu->parentWidget(), m_window);
}

void TrayTest::menuLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("exit");
    QTest::newRow("zh") << "zh"
                        << "打开"
                        << "关闭";
    QTest::newRow("zh-TW") << "zh-TW"
                           << "打開"
                           << "關閉";
    QTest::newRow("zh-HK") << "zh-HK"
                           << "打開"
                           << "關閉";
    QTest::newRow("de-DE") << "de-DE"
                           << "Geöffnet"
                           << "in der Nähe";
    QTest::newRow("ja") << "ja"
                        << "オープン"
                        << "クローズ";
    QTest::newRow("ru") << "ru"
                        << "открытым"
                        << "близко";
    QTest::newRow("ko") << "ko"
                        << "열린"
                        << "가까운";
    QTest::newRow("zh-CN is another language") << "zh-CN"
                                               << "Open"
                                               << "Exit";
    QTest::newRow("de is another language") << "de"
                                            << "Open"
                                            << "Exit";
    QTest::newRow("case matters") << "ZH"
                                  << "Open"
                                  << "Exit";
}

void TrayTest::menuLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, open);
    QFETCH(QString, exit);
    m_tray->setMenuLanguage(QStringLiteral("ru"));
    m_tray->setMenuLanguage(language);
    QCOMPARE(menuTexts(), QStringList({open, "-", exit}));
    // An empty language keeps whatever is shown.
    m_tray->setMenuLanguage(QString());
    QCOMPARE(menuTexts(), QStringList({open, "-", exit}));
    m_tray->setMenuLanguage(QStringLiteral("en"));
}

void TrayTest::clickShowsTheWindow_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("reason");
    QTest::newRow("hidden, click") << false << 1 << int(QSystemTrayIcon::Trigger);
    QTest::newRow("hidden, double click") << false << 2 << int(QSystemTrayIcon::DoubleClick);
    QTest::newRow("minimised, click") << true << 1 << int(QSystemTrayIcon::Trigger);
}

void TrayTest::clickShowsTheWindow()
{
    QFETCH(bool, minimised);
    QFETCH(int, clicks);
    QFETCH(int, reason);
    if (minimised) {
        m_window->show();
        m_window->setWindowState(Qt::WindowMinimized);
    } else {
        m_window->hide();
    }
    const QList<int> activated = reasonsWhile([&] { return clickAt(m_tray->geometry().center(), "1", clicks); },
                                              [&](const QList<int>& seen) { return seen.contains(reason); });
    QVERIFY2(activated.contains(reason), qPrintable(QStringLiteral("reasons %1, window at %2")
                                                        .arg(QVariant::fromValue(activated).toStringList().join(','))
                                                        .arg(QVariant(m_window->frameGeometry()).toString())));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowState(), Qt::WindowActive);
}

void TrayTest::middleClickDoesNothing()
{
    m_window->hide();
    const QList<int> activated = reasonsWhile([&] { return clickAt(m_tray->geometry().center(), "2"); },
                                              [](const QList<int>& seen) { return !seen.isEmpty(); });
    QCOMPARE(activated, QList<int>{int(QSystemTrayIcon::MiddleClick)});
    QTest::qWait(200);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!m_menu->isVisible());
}

void TrayTest::menuTextsFollowTheSettingOnRequest()
{
    cefApplication* app = runningapp::app();
    QVERIFY(app->setClientValue(QStringLiteral("language"), QStringLiteral("de-DE")));
    QCOMPARE(menuTexts(), QStringList({"Open", "-", "Exit"})); // not before the menu is asked for
    QVERIFY(openMenu());
    QTRY_COMPARE(menuTexts(), QStringList({"Geöffnet", "-", "in der Nähe"}));

    QVERIFY(app->setClientValue(QStringLiteral("language"), QString()));
    QVERIFY(openMenu());
    QTest::qWait(100);
    QCOMPARE(menuTexts(), QStringList({"Geöffnet", "-", "in der Nähe"}));

    QVERIFY(app->setClientValue(QStringLiteral("language"), QStringLiteral("zh-CN")));
    QVERIFY(openMenu());
    QTRY_COMPARE(menuTexts(), QStringList({"Open", "-", "Exit"}));
    m_menu->hide();
}

void TrayTest::openShowsTheWindow()
{
    m_window->hide();
    QVERIFY(openMenu());
    QVERIFY(clickAt(actionCenter(0), "1"));
    QTRY_VERIFY(m_window->isVisible());
    QVERIFY(!m_menu->isVisible());
}

void TrayTest::exitWritesDocumentsAndQuits()
{
    const QString path = m_files.filePath(QStringLiteral("profile.xml"));
    m_window->documents.insert(path, QStringLiteral("<profile changed=\"1\"/>"));
    m_window->pendingPaths << path;
    m_window->close();
    QVERIFY(!m_window->isVisible());
    QVERIFY(!QFileInfo::exists(path)); // closing only hides

    QVERIFY(openMenu());
    QVERIFY(clickAt(actionCenter(2), "1"));
    QVERIFY(runningapp::waitForQuit(10000));
    QVERIFY(cefApplication::quitting());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<profile changed=\"1\"/>"));
    QVERIFY(m_window->pendingPaths.isEmpty());
}

int main(int argc, char** argv)
{
    return runningapp::run<TrayTest>(argc, argv, kSettings);
}
#include "tst_tray.moc"
