#pragma once

#include <cstddef>

// Texts built inside a crashing process: plain byte copies into fixed buffers, no allocation,
// no locale, no libc, so they are safe to call from a signal handler.
namespace crashcommandline {

// Writes "<reporter> <dumpPath>" unquoted into out (capacity bytes, always zero-terminated).
// Returns the length of the reporter part, where the separating blank sits, or -1 when the
// line does not fit; out is then left empty, since a cut path would name another file.
long build(char* out, std::size_t capacity, const char* reporter, const char* dumpPath);

// Writes "CreateProcess failed (<error>).\n" into out; returns its length (0 if it does not fit).
std::size_t launchFailure(char* out, std::size_t capacity, int error);

} // namespace crashcommandline
