#include "bridge/vesk.h"

#include "app/cefapplication.h"
#include "bridge/configcommands.h"
#include "bridge/devicecommands.h"
#include "bridge/mousecommands.h"
#include "bridge/profilecommands.h"
#include "bridge/profiledocuments.h"
#include "browser/clienthandler.h"
#include "browser/pageurl.h"
#include "browser/popwidget.h"
#include "browser/qcefwebview.h"
#include "desktop/qxtglobalshortcut.h"
#include "desktop/systemtray.h"
#include "monitor/process_moniter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QThread>
#include <QWebEnginePage>

namespace {
constexpr QSize kDefaultSize(800, 600);
}

QSize vesk::sizeFromSetting(const QString& value, const QSize& fallback)
{
    const QStringList parts = value.split(QLatin1Char(','));
    const int width = parts.value(0).toInt();
    const int height = parts.size() >= 2 ? parts.at(1).toInt() : fallback.height();
    return QSize(std::max(0, width), std::max(0, height));
}

vesk::vesk() : QWidget(nullptr)
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("vesk"));
    QMetaObject::connectSlotsByName(this);

    cefApplication* app = cefApplication::instance();
    const QMap<QString, QString> settings = app ? app->clientSettings() : QMap<QString, QString>();
    QSize size = kDefaultSize;
    if (settings.contains(QStringLiteral("clientSize")))
        size = sizeFromSetting(settings.value(QStringLiteral("clientSize")), kDefaultSize);
    resize(size);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    setWindowTitle(QStringLiteral("Brimlock Driver"));
    setWindowIcon(QIcon(QStringLiteral(":/vesk/desk_icon")));

    view = new QCefWebView(this);
    view->resize(size);
    setMinimumSize(size);
    setMouseTracking(true);

    const QUrl page = pageurl::indexPage();
    if (ClientHandler* handler = clientHandler())
        handler->setStartUrl(page.toString().toStdString());
    view->load(page);
    connect(view, &QCefWebView::jsMessage, this, &vesk::onJsMessage, Qt::AutoConnection);

    showConfShortcut = new QxtGlobalShortcut(this);
    testToolShortcut = new QxtGlobalShortcut(this);
    const QMap<QString, QString> current = app ? app->clientSettings() : QMap<QString, QString>();
    if (current.contains(QStringLiteral("showConf")))
        showConfRegistered = showConfShortcut->setShortcut(
            QKeySequence(current.value(QStringLiteral("showConf")), QKeySequence::NativeText));
    if (current.contains(QStringLiteral("testTool")))
        testToolRegistered = testToolShortcut->setShortcut(
            QKeySequence(current.value(QStringLiteral("testTool")), QKeySequence::NativeText));
    connect(showConfShortcut, &QxtGlobalShortcut::activated, this, &vesk::showMouseConf);
    connect(testToolShortcut, &QxtGlobalShortcut::activated, this, &vesk::showDebug);

    m_deviceCommands = std::make_unique<DeviceCommands>(*this);
    m_profileCommands =
        std::make_unique<ProfileCommands>(documents, pendingPaths, QCoreApplication::applicationDirPath());
    m_configCommands = std::make_unique<ConfigCommands>(*this);
    m_mouseCommands = std::make_unique<MouseCommands>(*this);
    buildCommandTable();

    installEventFilter(this);
    restartMonitor();
}

vesk::~vesk()
{
    if (monitor) {
        monitor->deleteLater();
        monitor = nullptr;
    }
    if (monitorThread) {
        // No scan may outlive the window: the page-event sender goes away after it.
        monitorThread->quit();
        if (monitorThread->wait(5000))
            delete monitorThread;
        monitorThread = nullptr;
    }
    delete tray;
    delete showConfShortcut;
    delete testToolShortcut;
    delete view;
    delete popWidget;
}

void vesk::buildCommandTable()
{
    using namespace std::placeholders;
    auto bind = [](auto* family, auto method) -> Command {
        return [family, method](const QVariantMap& args, const QueryCallbackPtr& cb) { (family->*method)(args, cb); };
    };
    DeviceCommands* d = m_deviceCommands.get();
    ProfileCommands* p = m_profileCommands.get();
    ConfigCommands* c = m_configCommands.get();
    MouseCommands* m = m_mouseCommands.get();
    m_commands = {
        {QStringLiteral("getDevicesList"), bind(d, &DeviceCommands::getDevicesList)},
        {QStringLiteral("readDevicesProp"), bind(d, &DeviceCommands::readDevicesProp)},
        {QStringLiteral("writeDevicesProp"), bind(d, &DeviceCommands::writeDevicesProp)},
        {QStringLiteral("readByAddr"), bind(d, &DeviceCommands::readByAddr)},
        {QStringLiteral("writeByAddr"), bind(d, &DeviceCommands::writeByAddr)},
        {QStringLiteral("notifyDevice"), bind(d, &DeviceCommands::notifyDevice)},
        {QStringLiteral("isPropEmpty"), bind(d, &DeviceCommands::isPropEmpty)},
        {QStringLiteral("cleanMacroByAddr"), bind(d, &DeviceCommands::cleanMacroByAddr)},
        {QStringLiteral("writeMacroByAddr"), bind(d, &DeviceCommands::writeMacroByAddr)},
        {QStringLiteral("loadurl"), bind(c, &ConfigCommands::loadurl)},
        {QStringLiteral("queryProfile"), bind(p, &ProfileCommands::queryProfile)},
        {QStringLiteral("nodeCounterProfile"), bind(p, &ProfileCommands::nodeCounterProfile)},
        {QStringLiteral("modifyProfile"), bind(p, &ProfileCommands::modifyProfile)},
        {QStringLiteral("modifyProfileEx"), bind(p, &ProfileCommands::modifyProfileEx)},
        {QStringLiteral("modifyRemoveProfile"), bind(p, &ProfileCommands::modifyRemoveProfile)},
        {QStringLiteral("modifyAddProfile"), bind(p, &ProfileCommands::modifyAddProfile)},
        {QStringLiteral("modifyReplaceProfile"), bind(p, &ProfileCommands::modifyReplaceProfile)},
        {QStringLiteral("modifyReplaceProfileEx"), bind(p, &ProfileCommands::modifyReplaceProfileEx)},
        {QStringLiteral("loadApp"), bind(c, &ConfigCommands::loadApp)},
        {QStringLiteral("resetProfile"), bind(p, &ProfileCommands::resetProfile)},
        {QStringLiteral("queryHexByte"), bind(p, &ProfileCommands::queryHexByte)},
        {QStringLiteral("goback"), bind(c, &ConfigCommands::goback)},
        {QStringLiteral("goforward"), bind(c, &ConfigCommands::goforward)},
        {QStringLiteral("getConf"), bind(c, &ConfigCommands::getConf)},
        {QStringLiteral("setConf"), bind(c, &ConfigCommands::setConf)},
        {QStringLiteral("checkUpdate"), bind(c, &ConfigCommands::checkUpdate)},
        {QStringLiteral("savexml"), bind(p, &ProfileCommands::savexml)},
        {QStringLiteral("saveXmlAs"), bind(p, &ProfileCommands::saveXmlAs)},
        {QStringLiteral("modifyMouseSpeed"), bind(m, &MouseCommands::modifyMouseSpeed)},
        {QStringLiteral("modifyMouseScrollLines"), bind(m, &MouseCommands::modifyMouseScrollLines)},
        {QStringLiteral("modifyMouseDoubleClick"), bind(m, &MouseCommands::modifyMouseDoubleClick)},
        {QStringLiteral("closeApp"), bind(c, &ConfigCommands::closeApp)},
        {QStringLiteral("startRecord"), bind(m, &MouseCommands::startRecord)},
        {QStringLiteral("stopRecord"), bind(m, &MouseCommands::stopRecord)},
        {QStringLiteral("saveFileDialog"), bind(c, &ConfigCommands::saveFileDialog)},
        {QStringLiteral("openFileDialog"), bind(c, &ConfigCommands::openFileDialog)},
        {QStringLiteral("openUrl"), bind(c, &ConfigCommands::openUrl)},
        {QStringLiteral("openFileDialogExe"), bind(c, &ConfigCommands::openFileDialogExe)},
        {QStringLiteral("confChanged"), bind(c, &ConfigCommands::confChanged)},
        {QStringLiteral("showDevTools"), bind(c, &ConfigCommands::showDevTools)},
    };
}

QStringList vesk::commandNames() const
{
    QStringList names;
    for (const auto& entry : m_commands)
        names << entry.first;
    return names;
}

void vesk::dispatchCommand(const QString& funcname, const QVariantMap& args, const QueryCallbackPtr& callback)
{
    for (const auto& entry : m_commands) {
        if (entry.first == funcname) {
            entry.second(args, callback);
            return;
        }
    }
}

void vesk::onJsMessage(const QString& name, const QueryCallbackPtr& callbackPtr)
{
    if (name == QLatin1String("{\"funcname\":\"maxsizeWindow\"}")) {
        savedGeometry = geometry();
        if (QScreen* screen = QGuiApplication::primaryScreen())
            setGeometry(screen->availableGeometry());
        return;
    }
    if (name == QLatin1String("{\"funcname\":\"restoreWindow\"}")) {
        setGeometry(savedGeometry);
        return;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(name.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return;
    const QVariantMap args = doc.object().toVariantMap();
    if (!args.contains(QStringLiteral("funcname")))
        return;
    dispatchCommand(args.value(QStringLiteral("funcname")).toString(), args, callbackPtr);
}

void vesk::replySuccess(const QueryCallbackPtr& callback, const QString& text)
{
    if (callback)
        callback->Success(text);
}

void vesk::replyFailure(const QueryCallbackPtr& callback, int code, const QString& text)
{
    if (callback)
        callback->Failure(code, text);
}

void vesk::flushDocuments()
{
    profiledocuments::writePending(documents, pendingPaths);
}

void vesk::restartMonitor()
{
    // The old monitor is scheduled for deletion before its thread is told to quit, so the
    // deletion is always handled by that thread, however soon it ends.
    if (monitor) {
        monitor->deleteLater();
        monitor = nullptr;
    }
    if (monitorThread) {
        monitorThread->quit();
        monitorThread = nullptr;
    }
    monitorThread = new QThread();
    monitor = new ProcessMoniter(monitorThread);
    connect(monitorThread, &QThread::finished, monitorThread, &QObject::deleteLater);
    monitorThread->start(QThread::InheritPriority);
}

void vesk::initTray()
{
    tray = new SystemTray(this);
    tray->show();
    connect(tray, &QSystemTrayIcon::activated, this, &vesk::onSystemtrayActive, Qt::UniqueConnection);
    connect(tray, &SystemTray::showWidget, this, &vesk::onshowWidget);
    connect(tray, &SystemTray::closeApp, this, &vesk::oncloseApp);
}

void vesk::quitApp()
{
    hide();
    flushDocuments();
}

void vesk::finishLoading(bool) {}

void vesk::reload_currentPage()
{
    if (QWebEnginePage* browser = clientHandler() ? clientHandler()->GetBrowser() : nullptr)
        browser->triggerAction(QWebEnginePage::Reload);
}

void vesk::onSystemtrayActive(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Unknown:
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Trigger:
        // Exactly "active": lifts a minimised or maximised state as well.
        setWindowState(Qt::WindowActive);
        show();
        break;
    case QSystemTrayIcon::Context:
        // The menu texts follow the language setting each time the menu is asked for.
        if (tray) {
            cefApplication* app = cefApplication::instance();
            tray->setMenuLanguage(app ? app->clientValue(QStringLiteral("language")) : QString());
        }
        break;
    default: break;
    }
}

void vesk::onCurrentPropChanged(int propIndex, int proMode)
{
    if (ClientHandler* handler = clientHandler())
        handler->currentPropChanged(propIndex, proMode);
}

void vesk::onshowWidget()
{
    show();
}

void vesk::oncloseApp()
{
    flushDocuments();
    cefApplication::requestQuit();
}

void vesk::showMouseConf()
{
    ClientHandler* handler = clientHandler();
    if (!popWidget)
        popWidget = new PopWidget(this);
    if (popWidget->isVisible()) {
        if (handler) {
            handler->listener.store(view);
            handler->SetMainWindowHandle(winId());
        }
        popWidget->deleteLater();
        popWidget = nullptr;
    } else {
        if (handler) {
            handler->listener.store(popWidget->view());
            handler->SetMainWindowHandle(popWidget->winId());
        }
        popWidget->show();
    }
}

void vesk::showDebug() {}

bool vesk::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::WindowActivate) {
        if (ClientHandler* handler = clientHandler()) {
            handler->listener.store(view);
            handler->SetMainWindowHandle(winId());
        }
        return true;
    }
    return false;
}

void vesk::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}

void vesk::resizeEvent(QResizeEvent* event)
{
    view->resize(event->size());
    QWidget::resizeEvent(event);
}
