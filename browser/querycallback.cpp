#include "browser/querycallback.h"

QueryCallback::QueryCallback(Sink sink) : m_sink(std::move(sink)) {}

bool QueryCallback::claim()
{
    bool expected = false;
    return m_done.compare_exchange_strong(expected, true);
}

void QueryCallback::Success(const QString& text)
{
    if (claim() && m_sink)
        m_sink(true, 0, text);
}

void QueryCallback::Failure(int code, const QString& text)
{
    if (claim() && m_sink)
        m_sink(false, code, text);
}

void QueryCallback::Cancel()
{
    m_done.store(true);
}
