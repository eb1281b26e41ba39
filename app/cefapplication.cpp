#include "app/cefapplication.h"

#include "app/applog.h"
#include "app/breakpadqt.h"
#include "app/clientsettings.h"
#include "app/instanceprotocol.h"
#include "app/textfile.h"
#include "app/windowactivation.h"
#include "bridge/vesk.h"
#include "browser/clienthandler.h"
#include "device/devices_handler.h"
#include "update/updatecheck.h"

#include <QFile>
#include <QMutexLocker>

QString cefApplication::exeDir;
QString cefApplication::workDir;

namespace {
cefApplication* g_app = nullptr;
bool g_quitting = false;

// Tests run private instances under their own name.
QString instanceServerName()
{
    const QByteArray override = qgetenv("VESK_INSTANCE_NAME");
    if (!override.isEmpty())
        return QString::fromLocal8Bit(override);
    return QStringLiteral("Global\\{3A7C91E4-52B8-4D0F-8E26-C19B7F04D5A3}");
}
} // namespace

cefApplication::cefApplication(int& argc, char** argv) : QApplication(argc, argv), m_serverName(instanceServerName())
{
    const clientsettings::Settings settings = clientsettings::read(clientsettings::filePath());
    m_settings = settings.table;
    m_settingsText = settings.text;
    createDeviceHandler();
    refreshDevices();
    for (int i = 0; i < argc; ++i) {
        if (qstrcmp(argv[i], "-autostart") == 0)
            m_autostart = true;
    }
}

cefApplication::~cefApplication()
{
    m_socket.close();
    delete m_updateCheck;
    m_updateCheck = nullptr;
    delete m_mainWindow;
    m_mainWindow = nullptr;
    if (ClientHandler* handler = clientHandler())
        handler->closeAllBrowsers();
    delete m_deviceHandler;
    m_deviceHandler = nullptr;
    if (g_app == this)
        g_app = nullptr;
}

cefApplication* cefApplication::instance()
{
    return g_app;
}

devices_handler* cefApplication::deviceHandler()
{
    return g_app ? g_app->m_deviceHandler : nullptr;
}

void cefApplication::requestQuit()
{
    if (g_quitting)
        return;
    g_quitting = true;
    if (g_app)
        QCoreApplication::quit();
}

bool cefApplication::quitting()
{
    return g_quitting;
}

QMap<QString, DeviceEntry> cefApplication::deviceTable() const
{
    QMutexLocker locker(&m_devicesLock);
    return m_devices;
}

bool cefApplication::setClientValue(const QString& key, const QString& value)
{
    if (!m_settings.contains(key))
        return false;
    m_settings.insert(key, value);
    return true;
}

void cefApplication::saveSettings()
{
    textfile::write(clientsettings::filePath(), m_settingsText);
}

void cefApplication::on_closeApp()
{
    if (m_mainWindow)
        m_mainWindow->flushDocuments();
    requestQuit();
}

void cefApplication::start()
{
    exeDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    workDir = exeDir;

    QFile style(QStringLiteral(":/qss/vesk"));
    if (style.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(style.readAll()));

    if (!BreakpadQt::handlerInstalled())
        BreakpadQt::installCrashHandler(QCoreApplication::applicationDirPath());
    BreakpadQt::setReporter(QStringLiteral("CrashReporter"));

    g_app = this;

    connect(&m_socket, &QLocalSocket::connected, this, &cefApplication::socketConnected, Qt::UniqueConnection);
    connect(&m_socket, &QLocalSocket::disconnected, this, &cefApplication::socketDisconnected, Qt::UniqueConnection);
    connect(&m_socket, &QLocalSocket::errorOccurred, this, &cefApplication::socketError, Qt::UniqueConnection);
    connect(&m_socket, &QLocalSocket::readyRead, this, &cefApplication::socketReading, Qt::UniqueConnection);
    connect(&m_server, &QLocalServer::newConnection, this, &cefApplication::newInstanceConnected, Qt::UniqueConnection);
    m_socket.connectToServer(m_serverName, QIODevice::ReadWrite);
}

bool cefApplication::listen()
{
    if (m_server.listen(m_serverName))
        return true;
    if (m_server.serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // A socket file that nobody answers on was left by an instance that crashed: take it over.
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(500))
        return false;
    QLocalServer::removeServer(m_serverName);
    return m_server.listen(m_serverName);
}

void cefApplication::socketError(QLocalSocket::LocalSocketError)
{
    if (m_secondInstance) {
        requestQuit();
        return;
    }
    m_socket.close();
    if (!listen()) {
        requestQuit();
        return;
    }
    showMainWindow();
}

void cefApplication::showMainWindow()
{
    m_mainWindow = new vesk();
    if (ClientHandler* handler = clientHandler())
        handler->SetMainWindowHandle(m_mainWindow->winId());
    m_mainWindow->initTray();
    if (!m_autostart)
        m_mainWindow->show();
    checkForUpdate(false);
    applog::info("cefapplication", QStringLiteral("mainwindow show!"));
}

void cefApplication::socketConnected()
{
    m_secondInstance = true;
    m_socket.write(QStringLiteral("CMD:show;").toLocal8Bit());
}

void cefApplication::socketReading()
{
    if (m_socket.state() != QLocalSocket::ConnectedState)
        return;
    m_socketBuffer += QString::fromUtf8(m_socket.readAll());
    bool complete = false;
    const quint64 pid = instanceprotocol::replyProcessId(m_socketBuffer, &complete);
    if (!complete)
        return;
    if (pid != 0)
        windowactivation::activateProcessWindow(pid, [](const std::string& title) {
            return instanceprotocol::isInstanceWindowTitle(QString::fromStdString(title));
        });
    requestQuit();
}

void cefApplication::socketDisconnected()
{
    if (m_secondInstance)
        requestQuit();
}

void cefApplication::newInstanceConnected()
{
    while (QLocalSocket* client = m_server.nextPendingConnection()) {
        m_clients.append(qMakePair(client, QByteArray()));
        connect(client, &QLocalSocket::readyRead, this, &cefApplication::readClients);
        connect(client, &QLocalSocket::disconnected, this, &cefApplication::removeClients);
    }
}

void cefApplication::readClients()
{
    for (auto& client : m_clients) {
        client.second += client.first->readAll();
        instanceprotocol::takeCommands(client.second, [&](const QString& rest) {
            if (rest == QLatin1String("show") && m_mainWindow) {
                m_mainWindow->setWindowState(m_mainWindow->windowState() & ~Qt::WindowMinimized);
                m_mainWindow->activateWindow();
                m_mainWindow->show();
            }
            client.first->write(QStringLiteral("RES:%1;").arg(QCoreApplication::applicationPid()).toUtf8());
        });
    }
}

void cefApplication::removeClients()
{
    for (int i = m_clients.size() - 1; i >= 0; --i) {
        QLocalSocket* socket = m_clients.at(i).first;
        if (socket->state() != QLocalSocket::ConnectedState) {
            m_clients.removeAt(i);
            socket->deleteLater();
        }
    }
}
