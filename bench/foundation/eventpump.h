#pragma once

#include <string>
#include <thread>

// A thread of its own that, on the command "go" read from standard input, sends
// "onDeviceData" events at a fixed rate through the program's client handler. Each event's
// 16 hex digits carry its sequence number; the send times (system clock, microseconds since
// the epoch, one line per sequence number) go to `timesPath`, then "done" is printed. The
// command "quit" (or the end of the input) ends the program.
class EventPump {
public:
    EventPump(int perSecond, int seconds, std::string timesPath);
    ~EventPump();
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;

private:
    void run();
    void pump();

    int m_perSecond;
    int m_seconds;
    std::string m_timesPath;
    std::thread m_thread;
};
