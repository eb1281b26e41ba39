#pragma once

#include <QSystemTrayIcon>

class QAction;
class QMenu;

// The tray icon of the program with its two-entry menu, "Open" and "Exit".
class SystemTray : public QSystemTrayIcon {
    Q_OBJECT
public:
    // `parent` is the main window; the menu is created as its child widget.
    explicit SystemTray(QObject* parent);
    ~SystemTray() override;

    // Sets the menu texts for a language value; an empty value leaves them as they are.
    void setMenuLanguage(const QString& language);

signals:
    void showWidget();
    void closeApp();

public slots:
    void doshowWidget();
    void docloseApp();

private:
    QMenu* menu = nullptr;
    QAction* openAction = nullptr;
    QAction* exitAction = nullptr;
};
