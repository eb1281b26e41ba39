#pragma once

#include "app/cefapplication.h"
#include "bridge/vesk.h"
#include "browser/clienthandler.h"
#include "browser/engine.h"
#include "desktop/systemtray.h"
#include "support/appfixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The program as a user runs it: a private home and instance name, the given settings file,
// and the main window and tray icon that the started application object creates itself.
namespace runningapp {

// Puts a settings file in place for the application object to read, and puts back what was
// there before when the test ends.
class SettingsFile {
public:
    SettingsFile(const QString& path, const QByteArray& content) : m_path(path)
    {
        QFile old(path);
        m_existed = old.open(QIODevice::ReadOnly);
        if (m_existed)
            m_previous = old.readAll();
        old.close();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    }
    ~SettingsFile()
    {
        QFile file(m_path);
        if (!m_existed) {
            file.remove();
        } else if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(m_previous);
        }
    }

private:
    QString m_path;
    QByteArray m_previous;
    bool m_existed = false;
};

inline QString applicationDirectory()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

inline QString settingsPath()
{
    return applicationDirectory() + QStringLiteral("/Resources/profiles/conf.xml");
}

template <typename TestObject> int run(int argc, char** argv, const QByteArray& settings)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("VESK_INSTANCE_NAME", "vesk-desktop-test-" + QByteArray::number(QCoreApplication::applicationPid()));
    SettingsFile file(settingsPath(), settings);

    return runWithApplication<TestObject>(argc, argv);
}

// Starts the application object; true once its main window and tray icon exist.
inline bool start()
{
    auto* app = static_cast<cefApplication*>(QCoreApplication::instance());
    app->start();
    QDeadlineTimer deadline(20000);
    while (!(app->mainWindow() && app->mainWindow()->tray) && !deadline.hasExpired())
        QTest::qWait(50);
    return app->mainWindow() && app->mainWindow()->tray;
}

inline cefApplication* app()
{
    return cefApplication::instance();
}

// Runs the event loop until the application's quit request ends it; false when it did not
// come within the time.
inline bool waitForQuit(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

} // namespace runningapp
