#include "browser/pagebridge.h"

#include "browser/clienthandler.h"

#include <QPointer>
#include <QThread>
#include <QWebEnginePage>

#include <utility>

namespace {
// Events for a document whose channel is not up yet wait here; past this many the oldest go.
constexpr int kMaxQueuedEvents = 10000;
} // namespace

PageBridge::PageBridge(QWebEnginePage* page) : QObject(page), m_page(page) {}

PageBridge::~PageBridge()
{
    cancelAll();
}

bool PageBridge::fromViewDocument() const
{
    return ClientHandler::isViewUrl(m_page->url());
}

QVariant PageBridge::query(const QString& id, const QString& request)
{
    if (!m_ready || !fromViewDocument() || !id.startsWith(m_token + QLatin1Char(':')))
        return QVariant();
    QPointer<PageBridge> self(this);
    const QString token = m_token;
    auto callback = std::make_shared<QueryCallback>([self, id, token](bool ok, int code, const QString& text) {
        auto deliver = [self, id, token, ok, code, text]() {
            if (!self || self->m_token != token)
                return;
            self->m_pending.remove(id);
            if (self->m_dispatching == id) {
                self->m_immediate = QVariantMap{
                    {QStringLiteral("ok"), ok}, {QStringLiteral("code"), code}, {QStringLiteral("text"), text}};
                return;
            }
            emit self->answer(id, ok, code, text);
        };
        if (self && QThread::currentThread() == self->thread())
            deliver();
        else if (self)
            QMetaObject::invokeMethod(self.data(), deliver, Qt::QueuedConnection);
    });
    m_pending.insert(id, callback);
    // A command may run a modal loop in which further queries arrive: keep the outer one's state.
    const QString outer = std::exchange(m_dispatching, id);
    const QVariant outerAnswer = std::exchange(m_immediate, QVariant());
    if (ClientHandler* handler = clientHandler())
        handler->onQuery(m_page, request, callback);
    m_dispatching = outer;
    return std::exchange(m_immediate, outerAnswer);
}

void PageBridge::cancel(const QString& id)
{
    if (auto callback = m_pending.take(id).lock())
        callback->Cancel();
}

void PageBridge::ready(const QString& token)
{
    if (!fromViewDocument() || token.isEmpty())
        return;
    if (token != m_token)
        cancelAll();
    m_token = token;
    m_ready = true;
    const auto queued = std::move(m_queued);
    m_queued.clear();
    for (const auto& e : queued)
        emit pageEvent(e.first, e.second);
}

void PageBridge::gone(const QString& token)
{
    if (token == m_token)
        documentGone();
}

void PageBridge::documentGone()
{
    cancelAll();
    m_ready = false;
    m_token.clear();
}

void PageBridge::sendEvent(const QString& name, const QVariantList& args)
{
    if (m_ready) {
        emit pageEvent(name, args);
        return;
    }
    if (m_queued.size() >= kMaxQueuedEvents)
        m_queued.removeFirst();
    m_queued.append(qMakePair(name, args));
}

void PageBridge::cancelAll()
{
    for (const auto& weak : qAsConst(m_pending)) {
        if (auto callback = weak.lock())
            callback->Cancel();
    }
    m_pending.clear();
}
