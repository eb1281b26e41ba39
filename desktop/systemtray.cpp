#include "desktop/systemtray.h"

#include <QAction>
#include <QMenu>

namespace {
struct MenuTexts {
    QString open;
    QString exit;
};

MenuTexts menuTexts(const QString& language)
{
    if (language == QLatin1String("zh"))
        return {QStringLiteral("打开"), QStringLiteral("关闭")};
    if (language == QLatin1String("zh-TW") || language == QLatin1String("zh-HK"))
        return {QStringLiteral("打開"), QStringLiteral("關閉")};
    if (language == QLatin1String("de-DE"))
        return {QStringLiteral("Geöffnet"), QStringLiteral("in der Nähe")};
    if (language == QLatin1String("ja"))
        return {QStringLiteral("オープン"), QStringLiteral("クローズ")};
    if (language == QLatin1String("ru"))
        return {QStringLiteral("открытым"), QStringLiteral("близко")};
    if (language == QLatin1String("ko"))
        return {QStringLiteral("열린"), QStringLiteral("가까운")};
    return {QStringLiteral("Open"), QStringLiteral("Exit")};
}
} // namespace

// The program ships one icon; the tray shows the window's own.
SystemTray::SystemTray(QObject* parent) : QSystemTrayIcon(parent)
{
    setIcon(QIcon(QStringLiteral(":/vesk/desk_icon")));
    setToolTip(QStringLiteral("Brimlock Driver"));

    // No object name: the style sheet's tray menu rules are not meant for this menu.
    menu = new QMenu(qobject_cast<QWidget*>(parent));
    setContextMenu(menu);
    setVisible(true);

    openAction = new QAction(this);
    exitAction = new QAction(this);
    openAction->setText(QStringLiteral("Open"));
    exitAction->setText(QStringLiteral("Exit"));

    menu->addAction(openAction);
    menu->addSeparator();
    menu->addAction(exitAction);
    setContextMenu(menu);

    connect(openAction, &QAction::triggered, this, &SystemTray::doshowWidget);
    connect(exitAction, &QAction::triggered, this, &SystemTray::docloseApp);
}

SystemTray::~SystemTray()
{
    delete menu;
    delete openAction;
    delete exitAction;
}

void SystemTray::setMenuLanguage(const QString& language)
{
    if (language.isEmpty())
        return;
    const MenuTexts texts = menuTexts(language);
    openAction->setText(texts.open);
    exitAction->setText(texts.exit);
}

void SystemTray::doshowWidget()
{
    emit showWidget();
}

void SystemTray::docloseApp()
{
    emit closeApp();
}
