#pragma once

#include <QKeySequence>
#include <QObject>

// A system-wide key combination.
class QxtGlobalShortcut : public QObject {
    Q_OBJECT
public:
    explicit QxtGlobalShortcut(QObject* parent = nullptr);

    // Registers the combination with the system; false when it is refused. A combination
    // registered before is released first.
    bool setShortcut(const QKeySequence& shortcut);
    QKeySequence shortcut() const { return m_shortcut; }

signals:
    void activated();

private:
    QKeySequence m_shortcut;
};
