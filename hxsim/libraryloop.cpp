#include "hxsim/libraryloop.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace hxsim {

namespace {

bool socketAddress(const std::string& path, sockaddr_un* address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size());
    return true;
}

bool someoneListens(const sockaddr_un& address)
{
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool alive = probe >= 0 && connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (probe >= 0)
        close(probe);
    return alive;
}

} // namespace

LibraryLoop::LibraryLoop(const std::string& socketPath, Handler handler)
    : m_socketPath(socketPath), m_handler(std::move(handler))
{
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
    listen();
    m_thread = std::thread([this] { run(); });
}

LibraryLoop::~LibraryLoop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    if (m_listenFd >= 0) {
        close(m_listenFd);
        unlink(m_socketPath.c_str());
    }
    for (int fd : m_wake) {
        if (fd >= 0)
            close(fd);
    }
}

void LibraryLoop::listen()
{
    sockaddr_un address;
    if (!socketAddress(m_socketPath, &address)) {
        std::fprintf(stderr, "hxsim: control socket path too long: %s\n", m_socketPath.c_str());
        return;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == EADDRINUSE) {
        if (someoneListens(address)) {
            std::fprintf(stderr, "hxsim: another simulator answers on %s; running without control\n",
                         m_socketPath.c_str());
            close(fd);
            return;
        }
        unlink(m_socketPath.c_str()); // left behind by a simulator that did not end cleanly
        bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    if (::listen(fd, 8) != 0) {
        std::fprintf(stderr, "hxsim: cannot listen on %s: %s\n", m_socketPath.c_str(), std::strerror(errno));
        close(fd);
        return;
    }
    m_listenFd = fd;
}

void LibraryLoop::post(int delayMs, Task task)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_tasks.emplace(Clock::now() + std::chrono::milliseconds(delayMs), std::move(task));
    }
    wake();
}

void LibraryLoop::wake()
{
    if (m_wake[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = write(m_wake[1], &byte, 1);
    }
}

void LibraryLoop::run()
{
    for (;;) {
        int timeout = -1;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_stop)
                return;
            const auto now = Clock::now();
            while (!m_tasks.empty() && m_tasks.begin()->first <= now) {
                Task task = std::move(m_tasks.begin()->second);
                m_tasks.erase(m_tasks.begin());
                lock.unlock();
                task();
                lock.lock();
                if (m_stop)
                    return;
            }
            if (!m_tasks.empty()) {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_tasks.begin()->first - Clock::now());
                timeout = int(std::max<long long>(0, wait.count()));
            }
        }
        pollfd fds[2] = {{m_wake[0], POLLIN, 0}, {m_listenFd, POLLIN, 0}};
        if (poll(fds, m_listenFd >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR)
            return;
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (read(m_wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (m_listenFd >= 0 && (fds[1].revents & POLLIN)) {
            const int client = accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                serve(client);
                close(client);
            }
        }
    }
}

void LibraryLoop::serve(int client)
{
    // A client that does not finish its line within two seconds is dropped.
    timeval limit{2, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    std::string line;
    char c = 0;
    while (line.size() < 4096 && recv(client, &c, 1, 0) == 1 && c != '\n')
        line += c;
    if (c != '\n')
        return;
    const std::string reply = m_handler(line) + "\n";
    size_t sent = 0;
    while (sent < reply.size()) {
        const ssize_t n = send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += size_t(n);
    }
}

} // namespace hxsim
