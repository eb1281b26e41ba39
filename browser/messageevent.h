#pragma once

#include "browser/querycallback.h"

#include <QEvent>
#include <QString>

// Carries one page request and its pending reply to the Qt main thread.
class MessageEvent : public QEvent {
public:
    MessageEvent(const QString& name, QueryCallbackPtr callback)
        : QEvent(eventType()), m_name(name), m_callback(std::move(callback))
    {
    }

    static QEvent::Type eventType()
    {
        static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    QString name() const { return m_name; }
    QueryCallbackPtr callback() const { return m_callback; }

private:
    QString m_name;
    QueryCallbackPtr m_callback;
};
