#include "browser/clienthandler.h"

#include "browser/browserpage.h"
#include "browser/pagebridge.h"
#include "browser/webviewfilter.h"
#include "browser/windowcontrolhandler.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QThread>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace {

ClientHandler* g_handler = nullptr;

// The maker's home page, shown when neither the "url" switch nor the main window gives one.
const char kDefaultStartUrl[] = "https://www.brimlock.com/";

QString switchValue(int argc, char** argv, const QString& name, bool* present)
{
    const QString prefix = QStringLiteral("--") + name;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == prefix) {
            *present = true;
            return QString();
        }
        if (arg.startsWith(prefix + QLatin1Char('='))) {
            *present = true;
            return arg.mid(prefix.size() + 1);
        }
    }
    *present = false;
    return QString();
}

QString viewFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/view"));
}

QString readResource(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

ClientHandler* clientHandler()
{
    return g_handler;
}

void setClientHandler(ClientHandler* handler)
{
    g_handler = handler;
}

ClientHandler::ClientHandler(int argc, char** argv)
{
    bool present = false;
    m_startUrl = switchValue(argc, argv, QStringLiteral("url"), &present).toStdString();
    if (m_startUrl.empty())
        m_startUrl = kDefaultStartUrl;
    switchValue(argc, argv, QStringLiteral("mouse-cursor-change-disabled"), &m_cursorChangeDisabled);
    bool devMenu = false;
    switchValue(argc, argv, QStringLiteral("dev-menu"), &devMenu);
    m_devMenu = devMenu;
}

ClientHandler::~ClientHandler()
{
    if (g_handler == this)
        g_handler = nullptr;
}

QWebEnginePage* ClientHandler::GetBrowser() const
{
    QMutexLocker locker(&m_lock);
    return m_browser.data();
}

void ClientHandler::SetMainWindowHandle(quintptr handle)
{
    m_mainWindow.store(handle);
}

quintptr ClientHandler::GetMainWindowHandle() const
{
    return m_mainWindow.load();
}

std::string ClientHandler::startUrl() const
{
    QMutexLocker locker(&m_lock);
    return m_startUrl;
}

void ClientHandler::setStartUrl(const std::string& url)
{
    QMutexLocker locker(&m_lock);
    m_startUrl = url;
}

bool ClientHandler::isViewUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return false;
    const QString path = QDir::cleanPath(url.toLocalFile());
    return path.startsWith(viewFolder() + QLatin1Char('/'));
}

QWebEngineProfile* ClientHandler::profile()
{
    if (!m_profile) {
        m_profile = new QWebEngineProfile(QStringLiteral("vesk"), QCoreApplication::instance());
        // The engine makes its cache folder only on first use; the folder is there from the start.
        const QString cache = QDir::tempPath() + QStringLiteral("/Cache");
        QDir().mkpath(cache);
        m_profile->setCachePath(cache);
        m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
        installScripts(m_profile);
        connect(m_profile, &QWebEngineProfile::downloadRequested, this, &WebViewFilter::handleDownload);
    }
    return m_profile;
}

void ClientHandler::installScripts(QWebEngineProfile* profile)
{
    // The view folder's path as the page sees it in location.pathname (decoded).
    const QString viewPath = QUrl::fromLocalFile(viewFolder() + QLatin1Char('/')).path();
    auto withPath = [&](QString source) {
        return source.replace(QStringLiteral("%VIEW_PATH%"), QString(viewPath)
                                                                 .replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                                                                 .replace(QLatin1Char('\''), QStringLiteral("\\'")));
    };

    QWebEngineScript protocol;
    protocol.setName(QStringLiteral("vesk-protocol"));
    protocol.setInjectionPoint(QWebEngineScript::DocumentCreation);
    protocol.setWorldId(QWebEngineScript::MainWorld);
    protocol.setRunsOnSubFrames(true);
    protocol.setSourceCode(withPath(readResource(QStringLiteral(":/page/protocol.js"))));
    profile->scripts()->insert(protocol);

    QWebEngineScript bridge;
    bridge.setName(QStringLiteral("vesk-bridge"));
    bridge.setInjectionPoint(QWebEngineScript::DocumentCreation);
    bridge.setWorldId(QWebEngineScript::ApplicationWorld);
    bridge.setRunsOnSubFrames(false);
    bridge.setSourceCode(readResource(QStringLiteral(":/qtwebchannel/qwebchannel.js")) + QLatin1Char('\n') +
                         withPath(readResource(QStringLiteral(":/page/bridge.js"))));
    profile->scripts()->insert(bridge);
}

QWebEngineView* ClientHandler::createBrowser(QWidget* parent, const QUrl& url)
{
    auto* view = new QWebEngineView(parent);
    auto* page = new BrowserPage(profile(), m_nextBrowserId++, false, view);
    view->setPage(page);
    WebViewFilter::install(view);
    browserCreated(page);
    view->load(url.isEmpty() ? QUrl(QStringLiteral("about:blank")) : url);
    return view;
}

QWebEngineView* ClientHandler::createPopup()
{
    auto* view = new QWebEngineView();
    view->setAttribute(Qt::WA_DeleteOnClose);
    auto* page = new BrowserPage(profile(), m_nextBrowserId++, true, view);
    view->setPage(page);
    WebViewFilter::install(view);
    connect(page, &QWebEnginePage::windowCloseRequested, view, &QWidget::close);
    view->resize(800, 600);
    m_windows.append(view);
    view->show();
    browserCreated(page);
    view->setFocus();
    return view;
}

void ClientHandler::browserCreated(QWebEnginePage* page)
{
    if (!m_windowHandler)
        m_windowHandler = std::make_unique<window_test::Handler>();
    {
        QMutexLocker locker(&m_lock);
        if (!m_browser) {
            m_browser = page;
            m_browserId = static_cast<BrowserPage*>(page)->browserId();
        }
    }
    ++m_browserCount;
    // Creation is asynchronous for the views: they learn of it from the event loop.
    QPointer<QWebEnginePage> created(page);
    QMetaObject::invokeMethod(
        this,
        [this, created]() {
            if (!created)
                return;
            if (Listener* l = listener.load())
                l->OnAfterCreated(created);
        },
        Qt::QueuedConnection);
}

void ClientHandler::browserClosing(QWebEnginePage* page)
{
    {
        QMutexLocker locker(&m_lock);
        if (m_browser == page || (m_browser.isNull() && static_cast<BrowserPage*>(page)->browserId() == m_browserId))
            m_browser = nullptr;
    }
    if (--m_browserCount <= 0) {
        m_browserCount = 0;
        m_windowHandler.reset();
    }
}

void ClientHandler::closeAllBrowsers()
{
    // The engine's objects must be gone before the application object is.
    for (const QPointer<QWidget>& window : qAsConst(m_windows))
        delete window.data();
    m_windows.clear();
    delete m_profile.data();
}

void ClientHandler::onQuery(QWebEnginePage* browser, const QString& request, const QueryCallbackPtr& callback)
{
    if (m_windowHandler)
        m_windowHandler->OnQuery(browser, request, callback);
}

void ClientHandler::renderProcessTerminated(QWebEnginePage* page)
{
    const std::string start = startUrl();
    const std::string frameUrl = page->url().toString().toStdString();
    std::string lowered = frameUrl;
    for (char& c : lowered)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    if (start != "chrome://crash" && !frameUrl.empty() && lowered.rfind(start, 0) != 0)
        page->load(QUrl(QString::fromStdString(start)));
}

void ClientHandler::showDevTools(QWebEnginePage* page, const QPoint& inspectAt, bool inspect)
{
    QWebEnginePage* tools = page->devToolsPage();
    if (!tools) {
        auto* window = new QWebEngineView();
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("DevTools"));
        tools = new QWebEnginePage(profile(), window);
        window->setPage(tools);
        page->setDevToolsPage(tools);
        window->resize(1024, 700);
        m_windows.append(window);
    }
    if (auto* window = qobject_cast<QWidget*>(tools->parent()))
        window->show();
    Q_UNUSED(inspectAt)
    if (inspect)
        page->triggerAction(QWebEnginePage::InspectElement);
}

void ClientHandler::closeDevTools(QWebEnginePage* page)
{
    if (QWebEnginePage* tools = page->devToolsPage()) {
        page->setDevToolsPage(nullptr);
        if (auto* window = qobject_cast<QWidget*>(tools->parent()))
            window->close();
    }
}

void ClientHandler::sendEvent(const QString& name, const QVariantList& args)
{
    auto deliver = [this, name, args]() {
        QWebEnginePage* browser = GetBrowser();
        if (!browser)
            return; // no browser: the event is dropped
        static_cast<BrowserPage*>(browser)->bridge()->sendEvent(name, args);
    };
    if (QThread::currentThread() == thread())
        deliver();
    else
        QMetaObject::invokeMethod(this, deliver, Qt::QueuedConnection);
}

void ClientHandler::devicesChanged(int code)
{
    sendEvent(QStringLiteral("devicesChanged"), {code & 0xFFFF});
}

void ClientHandler::macroItem(const QString& a, const QString& b, const QString& c, const QString& d)
{
    sendEvent(QStringLiteral("macroItem"), {a, b, c, d});
}

void ClientHandler::currentPropChanged(int propIndex, int proMode)
{
    sendEvent(QStringLiteral("currentPropChanged"), {propIndex, proMode});
}

void ClientHandler::navStateChanged(bool canGoBack, bool canGoForward)
{
    sendEvent(QStringLiteral("navStateChanged"), {canGoBack, canGoForward});
}

void ClientHandler::onDeviceData(const QString& hex)
{
    sendEvent(QStringLiteral("onDeviceData"), {hex});
}

void ClientHandler::onProcessChanged(const QString& mode, bool running)
{
    sendEvent(QStringLiteral("onProcessChanged"), {mode, running});
}
