#pragma once

#include <QElapsedTimer>
#include <QUrl>
#include <QWebEnginePage>

class PageBridge;

// One browser: a page of the shared profile with the program's edge behaviour (pop-ups,
// unknown schemes, load errors, permissions, render-process crashes).
class BrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile* profile, int browserId, bool popup, QObject* parent);
    ~BrowserPage() override;

    int browserId() const { return m_id; }
    bool isPopup() const { return m_popup; }
    PageBridge* bridge() const { return m_bridge; }

    // The generated load-error document.
    static QString errorPage(const QString& failedUrl, const QString& errorText, int errorCode);
    // Whether the engine itself can load URLs of this scheme.
    static bool isKnownScheme(const QString& scheme);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;

private:
    void onLoadStarted();
    void onLoadFinished(bool ok);
    void showError(const QUrl& url, const QString& errorText, int code);
    void showUnknownSchemeError();

    int m_id;
    bool m_popup;
    PageBridge* m_bridge;
    QUrl m_loading;
    bool m_showingError = false;
    QUrl m_unknownUrl;
    QElapsedTimer m_unknownAt;
    QElapsedTimer m_failedAt;
};
