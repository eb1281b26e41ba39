#include "desktop/qxtglobalshortcut.h"

#include "desktop/globalhotkey.h"
#include "desktop/hotkeytables.h"
#include "desktop/qxtglobalshortcut_p.h"

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QDebug>

namespace {

constexpr int kModifierMask = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// One filter serves every shortcut. It is an object of its own, not one of the private parts:
// Qt drops a filter when the filter object dies, which would silence the shortcuts still alive.
class HotkeyFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, long*) override
    {
        return QxtGlobalShortcutPrivate::filterNativeEvent(eventType, message);
    }
};
HotkeyFilter* g_filter = nullptr;

globalhotkey::Combination combinationOf(int key, Qt::KeyboardModifiers mods)
{
    return {static_cast<uint32_t>(key), static_cast<uint32_t>(mods), hotkeytables::virtualKeyFor(key),
            hotkeytables::hotKeyModifiersFor(mods)};
}

QString portableText(int key, Qt::KeyboardModifiers mods)
{
    return QKeySequence(int(key) | int(mods)).toString(QKeySequence::PortableText);
}

} // namespace

QHash<QPair<quint32, quint32>, QxtGlobalShortcut*> QxtGlobalShortcutPrivate::registeredShortcuts;
int QxtGlobalShortcutPrivate::filterUsers = 0;

const char* qxtVersion()
{
    return "0.7.0";
}

QxtGlobalShortcutPrivate::QxtGlobalShortcutPrivate()
{
    if (filterUsers == 0) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            g_filter = new HotkeyFilter;
            dispatcher->installNativeEventFilter(g_filter);
        }
    }
    ++filterUsers;
}

QxtGlobalShortcutPrivate::~QxtGlobalShortcutPrivate()
{
    --filterUsers;
    if (filterUsers == 0 && g_filter) {
        // The filter leaves whatever dispatcher holds it when it is destroyed.
        delete g_filter;
        g_filter = nullptr;
    }
}

bool QxtGlobalShortcutPrivate::registerKey(const QKeySequence& shortcut)
{
    const int first = shortcut.isEmpty() ? 0 : shortcut[0];
    key = first & ~kModifierMask;
    mods = Qt::KeyboardModifiers(first & kModifierMask);
    const globalhotkey::Combination combination = combinationOf(key, mods);
    const bool registered = globalhotkey::backend().registerHotKey(combination);
    if (registered)
        registeredShortcuts.insert(qMakePair(combination.virtualKey, combination.flags), &qxt_p());
    else
        qWarning() << "QxtGlobalShortcut failed to register:" << portableText(key, mods);
    return registered;
}

bool QxtGlobalShortcutPrivate::unregisterKey()
{
    const globalhotkey::Combination combination = combinationOf(key, mods);
    const auto pair = qMakePair(combination.virtualKey, combination.flags);
    bool unregistered = false;
    if (registeredShortcuts.value(pair) == &qxt_p())
        unregistered = globalhotkey::backend().unregisterHotKey(combination);
    if (unregistered)
        registeredShortcuts.remove(pair);
    else
        qWarning() << "QxtGlobalShortcut failed to unregister:" << portableText(key, mods);
    key = 0;
    mods = Qt::NoModifier;
    return unregistered;
}

bool QxtGlobalShortcutPrivate::filterNativeEvent(const QByteArray& eventType, void* message)
{
    quint32 virtualKey = 0;
    quint32 flags = 0;
    if (!globalhotkey::backend().pressedHotKey(eventType.constData(), message, &virtualKey, &flags))
        return false;
    QxtGlobalShortcut* shortcut = registeredShortcuts.value(qMakePair(virtualKey, flags));
    if (shortcut && shortcut->isEnabled())
        emit shortcut->activated();
    return false;
}

QxtGlobalShortcut::QxtGlobalShortcut(QObject* parent) : QObject(parent), qxt_d(new QxtGlobalShortcutPrivate)
{
    qxt_d->QXT_setPublic(this);
}

QxtGlobalShortcut::QxtGlobalShortcut(const QKeySequence& shortcut, QObject* parent) : QxtGlobalShortcut(parent)
{
    setShortcut(shortcut);
}

QxtGlobalShortcut::~QxtGlobalShortcut()
{
    if (qxt_d->key != 0)
        qxt_d->unregisterKey();
    delete qxt_d;
}

QKeySequence QxtGlobalShortcut::shortcut() const
{
    return QKeySequence(int(qxt_d->key) | int(qxt_d->mods));
}

bool QxtGlobalShortcut::setShortcut(const QKeySequence& shortcut)
{
    if (qxt_d->key != 0)
        qxt_d->unregisterKey();
    return qxt_d->registerKey(shortcut);
}

bool QxtGlobalShortcut::isEnabled() const
{
    return qxt_d->enabled;
}

void QxtGlobalShortcut::setEnabled(bool enabled)
{
    qxt_d->enabled = enabled;
}

void QxtGlobalShortcut::setDisabled(bool disabled)
{
    qxt_d->enabled = !disabled;
}
