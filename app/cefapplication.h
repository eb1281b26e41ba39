#pragma once

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMap>
#include <QMutex>
#include <QPair>
#include <QString>

class UpdateCheck;
class devices_handler;
class vesk;

// One connected device as the last refresh found it.
struct DeviceEntry {
    QString DeviceID;
    QString SN;
    QString Version;
    QString HardwareID;
    QString DevicePath;
    QString MASK;
};

// The program's application object: settings, device table, single instance, main window,
// and the one quit path.
class cefApplication : public QApplication {
    Q_OBJECT
public:
    cefApplication(int& argc, char** argv);
    ~cefApplication() override;

    void start();
    void refreshDevices();
    void checkForUpdate(bool manual);

    static cefApplication* instance();
    static devices_handler* deviceHandler();
    // The process-wide quit request: the first call ends the event loop, later calls do nothing.
    static void requestQuit();
    static bool quitting();

    QMap<QString, DeviceEntry> deviceTable() const;

    QMap<QString, QString> clientSettings() const { return m_settings; }
    QString clientValue(const QString& key) const { return m_settings.value(key); }
    bool setClientValue(const QString& key, const QString& value);
    QString settingsText() const { return m_settingsText; }
    void setSettingsText(const QString& text) { m_settingsText = text; }
    void saveSettings();

    vesk* mainWindow() const { return m_mainWindow; }
    bool isAutostart() const { return m_autostart; }
    bool isSecondInstance() const { return m_secondInstance; }
    QString serverName() const { return m_serverName; }

    // Application directory followed by "/".
    static QString exeDir;
    static QString workDir;

public slots:
    void on_closeApp();

private slots:
    void socketConnected();
    void socketError(QLocalSocket::LocalSocketError e);
    void socketDisconnected();
    void socketReading();
    void newInstanceConnected();
    void readClients();
    void removeClients();

private:
    void createDeviceHandler();
    void showMainWindow();
    bool listen();

    mutable QMutex m_devicesLock; // the device library refreshes from its own thread
    QMap<QString, DeviceEntry> m_devices;
    QMap<QString, QString> m_settings;
    QString m_settingsText;
    UpdateCheck* m_updateCheck = nullptr;
    vesk* m_mainWindow = nullptr;
    devices_handler* m_deviceHandler = nullptr;
    QString m_serverName;
    QLocalSocket m_socket;
    QString m_socketBuffer;
    QLocalServer m_server;
    QList<QPair<QLocalSocket*, QByteArray>> m_clients;
    bool m_secondInstance = false;
    bool m_autostart = false;
};
