#pragma once

#include <QString>

#include <functional>
#include <string>
#include <thread>

// A thread of its own that, on the command "go" read from standard input, hands events of
// 16 hex digits (the sequence number) to `send` at a fixed rate. The send times (system
// clock, microseconds since the epoch, one line per sequence number) go to `timesPath`,
// then "done" is printed. The command "quit", or the end of the input, calls `quit`.
class EventPump {
public:
    struct Settings {
        int perSecond = 2000;
        int seconds = 10;
        std::string timesPath = "event-times.txt";
    };
    // From BENCH_EVENTS_PER_SECOND, BENCH_EVENTS_SECONDS and BENCH_EVENTS_TIMES.
    static Settings fromEnvironment();

    EventPump(Settings settings, std::function<void(const QString&)> send, std::function<void()> quit);
    ~EventPump();
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

private:
    void run();
    void pump();

    Settings m_settings;
    std::function<void(const QString&)> m_send;
    std::function<void()> m_quit;
    std::thread m_thread;
};
