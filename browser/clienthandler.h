#pragma once

#include "browser/querycallback.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QWidget>

#include <atomic>
#include <memory>
#include <string>

class MessageEvent;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace window_test {
class Handler;
}

// The single browser client of the program: every page the program shows is created here,
// gets the page protocol when it comes from the view folder, and reports through `listener`.
class ClientHandler : public QObject {
    Q_OBJECT
public:
    // Receives what the handler reports: browsers created and page requests.
    class Listener {
    public:
        virtual ~Listener() = default;
        virtual void OnAfterCreated(QWebEnginePage* browser) = 0;
        // Takes ownership of the event.
        virtual void OnMessageEvent(MessageEvent* event) = 0;
    };

    // Reads the switches "--url=" and "--mouse-cursor-change-disabled" from the command line.
    ClientHandler(int argc, char** argv);
    ~ClientHandler() override;

    // The first browser created, while it lives.
    QWebEnginePage* GetBrowser() const;
    void SetMainWindowHandle(quintptr handle);
    quintptr GetMainWindowHandle() const;

    std::atomic<Listener*> listener{nullptr};

    std::string startUrl() const;
    void setStartUrl(const std::string& url);

    bool devMenuEnabled() const { return m_devMenu.load(); }
    void setDevMenuEnabled(bool on) { m_devMenu.store(on); }
    bool mouseCursorChangeDisabled() const { return m_cursorChangeDisabled; }

    // Creates a browser as a child of `parent` showing `url`. The listener hears of it once
    // the browser exists.
    QWebEngineView* createBrowser(QWidget* parent, const QUrl& url);
    // Closes every browser; used before the application object goes away.
    void closeAllBrowsers();
    int browserCount() const { return m_browserCount; }

    // Page-event senders; callable from any thread, delivered on the main thread in call order.
    void devicesChanged(int code);
    void macroItem(const QString& a, const QString& b, const QString& c, const QString& d);
    void currentPropChanged(int propIndex, int proMode);
    void navStateChanged(bool canGoBack, bool canGoForward);
    void onDeviceData(const QString& hex);
    void onProcessChanged(const QString& mode, bool running);

    // A page request of a view-folder document.
    void onQuery(QWebEnginePage* browser, const QString& request, const QueryCallbackPtr& callback);

    // Whether `url` is a document of the application's view folder.
    static bool isViewUrl(const QUrl& url);

    // The profile all browsers share; created on first use, after the application exists.
    QWebEngineProfile* profile();

    // Called by the pages.
    void browserCreated(QWebEnginePage* page);
    void browserClosing(QWebEnginePage* page);
    QWebEngineView* createPopup();
    void showDevTools(QWebEnginePage* page, const QPoint& inspectAt, bool inspect);
    void closeDevTools(QWebEnginePage* page);
    void renderProcessTerminated(QWebEnginePage* page);

private:
    void sendEvent(const QString& name, const QVariantList& args);
    void installScripts(QWebEngineProfile* profile);

    mutable QMutex m_lock;
    QPointer<QWebEnginePage> m_browser;
    int m_browserId = 0;
    std::atomic<quintptr> m_mainWindow{0};
    std::string m_startUrl;
    std::atomic<bool> m_devMenu{false};
    bool m_cursorChangeDisabled = false;
    int m_browserCount = 0;
    int m_nextBrowserId = 1;
    QPointer<QWebEngineProfile> m_profile;
    QList<QPointer<QWidget>> m_windows; // pop-ups and DevTools windows
    std::unique_ptr<window_test::Handler> m_windowHandler;
};

// The process-wide handler, set once by main.
ClientHandler* clientHandler();
void setClientHandler(ClientHandler* handler);
