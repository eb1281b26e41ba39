#include "app/crashlauncher.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace crashlauncher {
namespace {

struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t fileActions;
    bool ready = false;
};

SpawnSetup g_setup;

} // namespace

void prepare()
{
    if (g_setup.ready)
        return;
    // The crash signal is blocked and handlers are installed when we get here; the reporter
    // must start with neither, outside our session, and without our other descriptors.
    posix_spawnattr_init(&g_setup.attributes);
    posix_spawnattr_setflags(&g_setup.attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&g_setup.attributes, &none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&g_setup.attributes, &all);
    posix_spawn_file_actions_init(&g_setup.fileActions);
    posix_spawn_file_actions_addclosefrom_np(&g_setup.fileActions, STDERR_FILENO + 1);
    g_setup.ready = true;
}

int start(const char* program, char* const argv[])
{
    if (!g_setup.ready)
        return EINVAL;
    pid_t pid = 0;
    // glibc's posix_spawn clones with CLONE_VM | CLONE_VFORK, runs no fork handlers, takes no
    // locks and reports a failed exec as its result.
    return posix_spawn(&pid, program, &g_setup.fileActions, &g_setup.attributes, argv, environ);
}

void writeStandardError(const char* text, std::size_t length)
{
    while (length > 0) {
        const ssize_t n = write(STDERR_FILENO, text, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

} // namespace crashlauncher
