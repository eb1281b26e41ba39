#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// One pending page query. It is answered at most once, with Success or Failure; later answers
// and answers after cancellation are dropped. Safe to answer from any thread: the sink decides
// where the answer is delivered.
class QueryCallback {
public:
    using Sink = std::function<void(bool success, int code, const QString& text)>;

    explicit QueryCallback(Sink sink);

    void Success(const QString& text);
    void Failure(int code, const QString& text);

    // The query was cancelled by the page or its document went away.
    void Cancel();
    bool isDone() const { return m_done.load(); }

private:
    bool claim();

    std::atomic<bool> m_done{false};
    Sink m_sink;
};

using QueryCallbackPtr = std::shared_ptr<QueryCallback>;
