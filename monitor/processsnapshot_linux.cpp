#include "monitor/processsnapshot.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

namespace processsnapshot {

bool forEachExecutable(const Visitor& visit)
{
    DIR* proc = opendir("/proc");
    if (!proc)
        return false;
    std::string link = "/proc/";
    char target[PATH_MAX];
    while (const dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue; // not a process
        link.resize(6);
        link += entry->d_name;
        link += "/exe";
        // Fails for kernel threads, processes of other users and processes already gone.
        const ssize_t length = readlink(link.c_str(), target, sizeof target);
        if (length <= 0 || length == static_cast<ssize_t>(sizeof target))
            continue;
        visit(std::string(target, static_cast<size_t>(length)));
    }
    closedir(proc);
    return true;
}

} // namespace processsnapshot
