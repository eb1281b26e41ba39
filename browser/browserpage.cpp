#include "browser/browserpage.h"

#include "app/applog.h"
#include "browser/clienthandler.h"
#include "browser/pagebridge.h"

#include <QDesktopServices>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineQuotaRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {
constexpr qint64 kMaxQuotaBytes = 20971520; // 20 MiB, inclusive
constexpr int kErrUnknownUrlScheme = -302;
constexpr int kErrFailed = -2;
constexpr qint64 kPairingMs = 1000;
} // namespace

BrowserPage::BrowserPage(QWebEngineProfile* profile, int browserId, bool popup, QObject* parent)
    : QWebEnginePage(profile, parent), m_id(browserId), m_popup(popup), m_bridge(new PageBridge(this))
{
    setBackgroundColor(QColor(0x22, 0x25, 0x29));
    QWebEngineSettings* s = settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LinksIncludedInFocusChain, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // Every unknown scheme reaches acceptNavigationRequest, which decides (and never hands
    // anything but "spotify:" to the desktop).
    s->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);

    auto* channel = new QWebChannel(this);
    channel->registerObject(QStringLiteral("vesk"), m_bridge);
    setWebChannel(channel, QWebEngineScript::ApplicationWorld);

    connect(this, &QWebEnginePage::loadStarted, this, &BrowserPage::onLoadStarted);
    connect(this, &QWebEnginePage::loadFinished, this, &BrowserPage::onLoadFinished);
    connect(this, &QWebEnginePage::featurePermissionRequested, this, [this](const QUrl& origin, Feature feature) {
        if (feature == Geolocation)
            setFeaturePermission(origin, feature, PermissionGrantedByUser);
    });
    connect(this, &QWebEnginePage::quotaRequested, this, [](QWebEngineQuotaRequest request) {
        if (request.requestedSize() <= kMaxQuotaBytes)
            request.accept();
        else
            request.reject();
    });
    connect(this, &QWebEnginePage::renderProcessTerminated, this, [this](RenderProcessTerminationStatus, int) {
        m_bridge->documentGone();
        if (ClientHandler* handler = clientHandler())
            handler->renderProcessTerminated(this);
    });
}

BrowserPage::~BrowserPage()
{
    if (ClientHandler* handler = clientHandler())
        handler->browserClosing(this);
}

QString BrowserPage::errorPage(const QString& failedUrl, const QString& errorText, int errorCode)
{
    // The URL and text come from the page; escaped so a crafted URL cannot inject markup.
    return QStringLiteral("<html><body bgcolor=\"white\"><h2>Failed to load URL ") + failedUrl.toHtmlEscaped() +
           QStringLiteral(" with error ") + errorText.toHtmlEscaped() + QStringLiteral(" (") +
           QString::number(errorCode) + QStringLiteral(").</h2></body></html>");
}

bool BrowserPage::isKnownScheme(const QString& scheme)
{
    static const QStringList known = {
        QStringLiteral("http"),        QStringLiteral("https"),      QStringLiteral("file"),
        QStringLiteral("data"),        QStringLiteral("about"),      QStringLiteral("blob"),
        QStringLiteral("qrc"),         QStringLiteral("chrome"),     QStringLiteral("devtools"),
        QStringLiteral("ws"),          QStringLiteral("wss"),        QStringLiteral("view-source"),
        QStringLiteral("ftp"),         QStringLiteral("javascript"), QStringLiteral("filesystem"),
        QStringLiteral("chrome-error")};
    return known.contains(scheme.toLower());
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    Q_UNUSED(type)
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("spotify")) {
        QDesktopServices::openUrl(url);
        return false;
    }
    if (!isKnownScheme(scheme)) {
        // The engine hands unknown schemes over after the main frame's load has failed, or just
        // before; only that pairing tells a failed main-frame navigation from a frame's.
        m_unknownUrl = url;
        m_unknownAt.start();
        if (m_failedAt.isValid() && m_failedAt.elapsed() < kPairingMs)
            showUnknownSchemeError();
        return false;
    }
    if (isMainFrame)
        m_loading = url;
    return true;
}

QWebEnginePage* BrowserPage::createWindow(WebWindowType)
{
    ClientHandler* handler = clientHandler();
    if (!handler)
        return nullptr;
    QWebEngineView* popup = handler->createPopup();
    return popup ? popup->page() : nullptr;
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int lineNumber,
                                           const QString& sourceID)
{
    applog::info("CONSOLE", QStringLiteral("\"%1\", source: %2 (%3)").arg(message, sourceID).arg(lineNumber));
}

void BrowserPage::onLoadStarted()
{
    if (ClientHandler* handler = clientHandler())
        handler->navStateChanged(history()->canGoBack(), history()->canGoForward());
}

void BrowserPage::onLoadFinished(bool ok)
{
    const bool wasError = m_showingError;
    const QUrl failed = m_loading;
    m_showingError = false;
    m_loading.clear();
    if (ClientHandler* handler = clientHandler())
        handler->navStateChanged(history()->canGoBack(), history()->canGoForward());
    // Only a navigation we let through can fail; a refused or superseded one (aborted) shows nothing.
    if (ok || wasError)
        return;
    if (!failed.isEmpty() && requestedUrl() == failed) {
        showError(failed, QStringLiteral("ERR_FAILED"), kErrFailed);
        return;
    }
    m_failedAt.start();
    if (m_unknownAt.isValid() && m_unknownAt.elapsed() < kPairingMs)
        showUnknownSchemeError();
}

void BrowserPage::showUnknownSchemeError()
{
    const QUrl url = m_unknownUrl;
    m_unknownUrl.clear();
    m_unknownAt.invalidate();
    m_failedAt.invalidate();
    showError(url, QStringLiteral("ERR_UNKNOWN_URL_SCHEME"), kErrUnknownUrlScheme);
}

void BrowserPage::showError(const QUrl& url, const QString& errorText, int code)
{
    // Shown from the event loop: the engine is still inside the refused or failed navigation.
    const QString html = errorPage(url.toString(), errorText, code);
    QTimer::singleShot(0, this, [this, html, url]() {
        m_showingError = true;
        setHtml(html, url);
    });
}
