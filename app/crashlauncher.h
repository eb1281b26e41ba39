#pragma once

#include <cstddef>

// Starting the crash reporter from inside a crashed process. prepare() runs while the process
// is healthy and does everything that allocates; start() and writeStandardError() are then
// async-signal-safe.
namespace crashlauncher {

void prepare();

// Starts program with argv detached (own session, default signal handling, only the standard
// streams inherited) and does not wait for it. Returns 0, or the error number when it could
// not be started.
int start(const char* program, char* const argv[]);

void writeStandardError(const char* text, std::size_t length);

} // namespace crashlauncher
