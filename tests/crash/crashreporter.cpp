// Stand-in for the crash reporter: records how it was started into the file named by
// CRASHREPORTER_RECORD: one argument a line, then whether the last argument (the dump) exists,
// whether it runs in a session of its own, whether it inherited descriptors beyond the
// standard streams, and whether it started with signals blocked.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

bool onlyStandardStreams()
{
    for (int fd = STDERR_FILENO + 1; fd < 1024; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            return false;
    }
    return true;
}

bool signalsBlocked()
{
    sigset_t blocked;
    sigprocmask(SIG_BLOCK, nullptr, &blocked);
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sigismember(&blocked, sig) == 1)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Checked before this program opens anything itself.
    const bool streamsOnly = onlyStandardStreams();
    const char* record = std::getenv("CRASHREPORTER_RECORD");
    if (!record)
        return 2;
    std::string text;
    for (int i = 0; i < argc; ++i)
        text += std::string(argv[i]) + "\n";
    text += (argc > 1 && access(argv[argc - 1], R_OK) == 0) ? "dump present\n" : "dump missing\n";
    text += getsid(0) == getpid() ? "own session\n" : "shared session\n";
    text += streamsOnly ? "standard streams only\n" : "other descriptors\n";
    text += signalsBlocked() ? "signals blocked\n" : "no signals blocked\n";

    // Written aside and renamed, so a reader never sees half a record.
    const std::string partial = std::string(record) + ".partial";
    FILE* f = std::fopen(partial.c_str(), "w");
    if (!f)
        return 1;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !written)
        return 1;
    return std::rename(partial.c_str(), record) == 0 ? 0 : 1;
}
