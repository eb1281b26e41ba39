#pragma once

#include <QKeySequence>
#include <QObject>

class QxtGlobalShortcutPrivate;

// The version of the shortcut component.
const char* qxtVersion();

// A system-wide key combination: registered with the desktop so that it fires whichever
// program has the focus; emits activated() on the GUI thread when pressed while enabled.
class QxtGlobalShortcut : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(QKeySequence shortcut READ shortcut WRITE setShortcut)
public:
    explicit QxtGlobalShortcut(QObject* parent = nullptr);
    explicit QxtGlobalShortcut(const QKeySequence& shortcut, QObject* parent = nullptr);
    ~QxtGlobalShortcut() override;

    // The first key of the combination set last, registered or not.
    QKeySequence shortcut() const;
    // Releases the current combination, then registers the first key of `shortcut`; false
    // when the desktop refuses it (the combination is kept all the same).
    bool setShortcut(const QKeySequence& shortcut);

    bool isEnabled() const;

public slots:
    // A disabled shortcut keeps its registration but emits nothing.
    void setEnabled(bool enabled = true);
    void setDisabled(bool disabled = true);

signals:
    void activated();

private:
    friend class QxtGlobalShortcutPrivate;
    QxtGlobalShortcutPrivate* qxt_d;
};
