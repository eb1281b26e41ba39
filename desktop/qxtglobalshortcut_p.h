#pragma once

#include "desktop/qxtglobalshortcut.h"

#include <QHash>
#include <QPair>

// The base of a private part: the pointer back to its public object.
template <typename Public> class QxtPrivate {
public:
    virtual ~QxtPrivate() = default;
    void QXT_setPublic(Public* pub) { qxt_p_ptr = pub; }

protected:
    Public& qxt_p() { return *qxt_p_ptr; }
    const Public& qxt_p() const { return *qxt_p_ptr; }

private:
    Public* qxt_p_ptr = nullptr;
};

class QxtGlobalShortcutPrivate : public QxtPrivate<QxtGlobalShortcut> {
public:
    QxtGlobalShortcutPrivate();
    ~QxtGlobalShortcutPrivate() override;

    bool enabled = true;
    // The Qt key code without Shift, Control, Alt and Meta. Held as a plain integer: the
    // keypad bit may remain, and a Qt::Key cannot hold it.
    int key = 0;
    Qt::KeyboardModifiers mods = Qt::NoModifier;

    bool registerKey(const QKeySequence& shortcut);
    bool unregisterKey();

    // Emits activated() of the enabled shortcut a native event presses, if any. Never
    // reports the event as handled.
    static bool filterNativeEvent(const QByteArray& eventType, void* message);

    // Registered combinations by (virtual key, hotkey flags).
    static QHash<QPair<quint32, quint32>, QxtGlobalShortcut*> registeredShortcuts;
    // Live private parts; the native event filter is installed while there is one.
    static int filterUsers;
};
