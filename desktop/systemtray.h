#pragma once

#include <QSystemTrayIcon>

// The tray icon of the program.
class SystemTray : public QSystemTrayIcon {
    Q_OBJECT
public:
    explicit SystemTray(QObject* parent);

signals:
    void showWidget();
    void closeApp();
};
