#include "desktop/systemtray.h"

SystemTray::SystemTray(QObject* parent) : QSystemTrayIcon(parent)
{
    setIcon(QIcon(QStringLiteral(":/vesk/desk_icon")));
    setToolTip(QStringLiteral("Brimlock Driver"));
}
