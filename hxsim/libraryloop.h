#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace hxsim {

// The library's own thread: it runs posted tasks (device callbacks among them) in due-time
// order, and answers the control tool on a local socket, one command line per connection.
class LibraryLoop {
public:
    using Task = std::function<void()>;
    using Handler = std::function<std::string(const std::string& line)>;

    // Starts the thread. When another live simulator already owns `socketPath`, this one runs
    // without control.
    LibraryLoop(const std::string& socketPath, Handler handler);
    ~LibraryLoop();

    LibraryLoop(const LibraryLoop&) = delete;
    LibraryLoop& operator=(const LibraryLoop&) = delete;

    void post(int delayMs, Task task);

private:
    using Clock = std::chrono::steady_clock;

    void listen();
    void run();
    void serve(int client);
    void wake();

    std::string m_socketPath;
    Handler m_handler;
    int m_listenFd = -1;
    int m_wake[2] = {-1, -1};
    std::mutex m_mutex;
    std::multimap<Clock::time_point, Task> m_tasks; // equal times keep their posting order
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace hxsim
