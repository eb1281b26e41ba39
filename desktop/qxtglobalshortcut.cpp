#include "desktop/qxtglobalshortcut.h"

QxtGlobalShortcut::QxtGlobalShortcut(QObject* parent) : QObject(parent) {}

// System-wide registration arrives with the watchers; until then every combination is refused.
bool QxtGlobalShortcut::setShortcut(const QKeySequence& shortcut)
{
    m_shortcut = shortcut;
    return false;
}
