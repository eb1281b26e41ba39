#pragma once

#include <string>

// The operating system's part of the updater hand-off: copying the updater next to the
// program and starting it detached after the program has shut down.
namespace updaterlaunch {

enum class CopyResult { Copied, AccessDenied, Failed };

// Copies `from` over `to` (replacing it whole) and makes the copy executable. AccessDenied
// when the destination refuses us for lack of rights.
CopyResult copyFile(const std::string& from, const std::string& to);

// Gives a file the executable bits (the package format carries none). False on failure.
bool makeExecutable(const std::string& path);

// Starts `file` with the single argument `argument` in `workDir` (unchanged when empty),
// detached from this process, elevated when asked and an elevation tool is there. Returns a
// shell-style result: above 32 on success, a small error number below it otherwise.
int start(const std::string& file, const std::string& argument, const std::string& workDir, bool elevated);

} // namespace updaterlaunch
