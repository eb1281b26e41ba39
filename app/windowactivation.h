#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Brings a top-level window of another process to the foreground. One backend per platform.
namespace windowactivation {

// Activates the first top-level window of process `pid` whose title (UTF-8) passes
// `titleMatches`. Returns whether one was found.
bool activateProcessWindow(std::uint64_t pid, const std::function<bool(const std::string&)>& titleMatches);

} // namespace windowactivation
