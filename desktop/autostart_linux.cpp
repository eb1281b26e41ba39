#include "desktop/autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace autostart {
namespace {

std::string applicationDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return std::string();
    const std::string exe(buffer, static_cast<size_t>(length));
    return exe.substr(0, exe.find_last_of('/'));
}

// Creates every missing folder of `path` up to its last "/".
bool makeParents(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Written beside the target and renamed over it, so a session never finds half an entry.
bool writeWhole(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    const bool ok = done == text.size() && fsync(fd) == 0;
    if (close(fd) != 0 || !ok || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

void setAutoStart(bool enable)
{
    const std::string path = entryPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (path.empty())
        return;
    if (!enable) {
        unlink(path.c_str());
        return;
    }
    const std::string appDir = applicationDirectory();
    if (appDir.empty() || !makeParents(path))
        return;
    writeWhole(path, entryText(appDir));
}

} // namespace autostart
