// hxctl: controls the simulated mice of a running libhx.so (plug, unplug, events, data reports,
// memory dumps). Usage: hxctl [--state DIR] COMMAND [ARGUMENTS...]; see README.md.

#include "hxsim/statedir.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    std::string dir = hxsim::stateDir();
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--state") == 0) {
        dir = argv[2];
        first = 3;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: hxctl [--state DIR] list | plug SN | unplug SN | event CODE | data SN HEX | "
                             "read SN ADDRESS COUNT | prop SN NUMBER COUNT\n");
        return 2;
    }
    std::string line;
    for (int i = first; i < argc; ++i)
        line += (i > first ? " " : "") + std::string(argv[i]);
    line += '\n';

    const std::string path = hxsim::controlSocketPath(dir);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (path.size() >= sizeof address.sun_path || fd < 0) {
        std::fprintf(stderr, "hxctl: bad socket path %s\n", path.c_str());
        return 2;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "hxctl: no simulator answers on %s\n", path.c_str());
        return 2;
    }
    if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) != ssize_t(line.size())) {
        std::fprintf(stderr, "hxctl: the simulator went away\n");
        return 2;
    }
    std::string reply;
    char chunk[4096];
    ssize_t n;
    while ((n = recv(fd, chunk, sizeof chunk, 0)) > 0)
        reply.append(chunk, size_t(n));
    close(fd);
    std::fputs(reply.c_str(), stdout);
    const size_t last = reply.rfind('\n', reply.size() >= 2 ? reply.size() - 2 : 0);
    const std::string status = reply.substr(last == std::string::npos ? 0 : last + 1);
    return status.rfind("OK", 0) == 0 ? 0 : 1;
}
