#pragma once

#include "browser/querycallback.h"

#include <QMap>
#include <QRect>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class ConfigCommands;
class DeviceCommands;
class MouseCommands;
class PopWidget;
class ProcessMoniter;
class ProfileCommands;
class QCefWebView;
class QThread;
class QxtGlobalShortcut;
class SystemTray;

// The main window: a frameless window filled by the page, and the dispatcher of its requests.
class vesk : public QWidget {
    Q_OBJECT
public:
    vesk();
    ~vesk() override;

    void initTray();
    // Writes every pending profile document; stops at the first that cannot be written.
    void flushDocuments();
    void restartMonitor();

    static void replySuccess(const QueryCallbackPtr& callback, const QString& text);
    static void replyFailure(const QueryCallbackPtr& callback, int code, const QString& text);

    // Runs the command named `funcname`; a name that matches none is ignored.
    void dispatchCommand(const QString& funcname, const QVariantMap& args, const QueryCallbackPtr& callback);
    // The command names in dispatch order.
    QStringList commandNames() const;

    SystemTray* tray = nullptr;
    QMap<QString, QString> documents;
    QStringList pendingPaths;
    QxtGlobalShortcut* showConfShortcut = nullptr;
    QxtGlobalShortcut* testToolShortcut = nullptr;
    bool showConfRegistered = false;
    bool testToolRegistered = false;
    QThread* monitorThread = nullptr;
    ProcessMoniter* monitor = nullptr;
    QCefWebView* view = nullptr;
    PopWidget* popWidget = nullptr;
    QRect savedGeometry;

    // The size "clientSize" asks for; missing or short values keep the default's parts.
    static QSize sizeFromSetting(const QString& value, const QSize& fallback);

public slots:
    void quitApp();
    void finishLoading(bool);
    void reload_currentPage();
    void onJsMessage(const QString& name, const QueryCallbackPtr& callbackPtr);
    void onSystemtrayActive(QSystemTrayIcon::ActivationReason reason);
    void onCurrentPropChanged(int propIndex, int proMode);
    void onshowWidget();
    void oncloseApp();
    void showMouseConf();
    void showDebug();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using Command = std::function<void(const QVariantMap&, const QueryCallbackPtr&)>;
    void buildCommandTable();

    std::unique_ptr<DeviceCommands> m_deviceCommands;
    std::unique_ptr<ProfileCommands> m_profileCommands;
    std::unique_ptr<ConfigCommands> m_configCommands;
    std::unique_ptr<MouseCommands> m_mouseCommands;
    std::vector<std::pair<QString, Command>> m_commands;
};
