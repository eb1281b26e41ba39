#include "update/updaterlaunch.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace updaterlaunch {
namespace {

constexpr mode_t kExecutable = 0755;
constexpr int kStarted = 42; // any value above 32 means started

// The shell's failure numbers for the causes that exist here.
int shellError(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return 2; // file not found
    case EACCES:
    case EPERM: return 5;  // access denied
    case ENOMEM: return 8; // out of memory
    default: return 0;
    }
}

bool deniedForRights(int error)
{
    return error == EACCES || error == EPERM;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

std::string findInPath(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= folders.size()) {
        const size_t end = folders.find(':', begin);
        const std::string folder = folders.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        if (!folder.empty()) {
            const std::string candidate = folder + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
    return std::string();
}

} // namespace

CopyResult copyFile(const std::string& from, const std::string& to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return CopyResult::Failed;
    // Written beside the destination and renamed over it, so a failed copy leaves no half file.
    std::string temp = to + ".XXXXXX";
    const int out = ::mkostemp(&temp[0], O_CLOEXEC);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return deniedForRights(error) ? CopyResult::AccessDenied : CopyResult::Failed;
    }
    bool good = true;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            good = false;
        if (n <= 0)
            break;
        if (!writeAll(out, buffer, size_t(n))) {
            good = false;
            break;
        }
    }
    ::close(in);
    good = ::fchmod(out, kExecutable) == 0 && good;
    good = ::close(out) == 0 && good;
    if (good && ::rename(temp.c_str(), to.c_str()) == 0)
        return CopyResult::Copied;
    const int error = errno;
    ::unlink(temp.c_str());
    return good && deniedForRights(error) ? CopyResult::AccessDenied : CopyResult::Failed;
}

bool makeExecutable(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    return ::chmod(path.c_str(), info.st_mode | S_IXUSR | S_IXGRP | S_IXOTH) == 0;
}

int start(const std::string& file, const std::string& argument, const std::string& workDir, bool elevated)
{
    std::vector<std::string> args;
    const std::string elevator = elevated ? findInPath("pkexec") : std::string();
    if (!elevator.empty()) {
        // pkexec starts programs in the target user's home folder; env puts the folder back.
        args = {elevator, "/usr/bin/env"};
        if (!workDir.empty())
            args.push_back("--chdir=" + workDir);
        args.push_back(file);
    } else {
        args = {file};
    }
    args.push_back(argument);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (elevator.empty() && !workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    // Its own session, so it outlives us; a clean signal mask and default handlers.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? kStarted : shellError(error);
}

} // namespace updaterlaunch
