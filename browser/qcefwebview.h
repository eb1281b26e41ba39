#pragma once

#include "browser/clienthandler.h"
#include "browser/querycallback.h"

#include <QUrl>
#include <QVariant>
#include <QWidget>

#include <atomic>

class QWebEngineView;

// Hosts the embedded browser in a widget and carries page requests to the main thread as
// the signal jsMessage. Browser operations go to the handler's first browser.
class QCefWebView : public QWidget, public ClientHandler::Listener {
    Q_OBJECT
public:
    enum BrowserState { None = 0, Creating = 1, Created = 2 };

    explicit QCefWebView(QWidget* parent);
    ~QCefWebView() override;

    void load(const QUrl& url);
    BrowserState browserState() const { return static_cast<BrowserState>(m_state.load()); }
    QUrl url() const { return m_url; }
    QWebEngineView* browserView() const { return m_browserView; }

    void OnAfterCreated(QWebEnginePage* browser) override;
    void OnMessageEvent(MessageEvent* event) override;

public slots:
    void back();
    void forward();
    void reload();
    void stop();
    QVariant evaluateJavaScript(const QString& scriptSource);

signals:
    void jsMessage(const QString& name, const QueryCallbackPtr& callbackPtr);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void customEvent(QEvent* e) override;

private:
    bool createBrowser(const QSize& size);
    bool loadUrlInBrowser(const QUrl& url);
    void resizeBrowserWindow(const QSize& size);

    std::atomic<int> m_state{None};
    QUrl m_url;
    QWebEngineView* m_browserView = nullptr;
};
