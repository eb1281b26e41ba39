#pragma once

#include "browser/querycallback.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVector>

#include <memory>

class QWebEnginePage;

// The native end of the page protocol for one page: receives queries from the page's
// isolated-world bridge, answers them, and pushes events. Queries of a document that went
// away are cancelled, and events wait until the current document has its channel up.
class PageBridge : public QObject {
    Q_OBJECT
public:
    explicit PageBridge(QWebEnginePage* page);
    ~PageBridge() override;

    // Main thread only.
    void sendEvent(const QString& name, const QVariantList& args);
    // The current document is gone (its render process ended): its queries stay unanswered.
    void documentGone();

public slots:
    // An answer given while the request is dispatched comes back as the call's result; a
    // later one comes as the signal answer.
    QVariant query(const QString& id, const QString& request);
    void cancel(const QString& id);
    void ready(const QString& token);
    void gone(const QString& token);

signals:
    void answer(const QString& id, bool ok, int code, const QString& text);
    void pageEvent(const QString& name, const QVariantList& args);

private:
    bool fromViewDocument() const;
    void cancelAll();

    QWebEnginePage* m_page;
    QString m_token;
    bool m_ready = false;
    QHash<QString, std::weak_ptr<QueryCallback>> m_pending;
    QString m_dispatching; // the query being dispatched right now
    QVariant m_immediate;  // its answer, if it came during the dispatch
    QVector<QPair<QString, QVariantList>> m_queued;
};
