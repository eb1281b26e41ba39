#pragma once

#include <functional>
#include <string>

// The executables of the running processes, one platform backend each.
namespace processsnapshot {

using Visitor = std::function<void(const std::string& executable)>;

// Calls `visit` with the full executable path of every running process that can be read;
// processes that cannot be read are left out. False when the process list cannot be taken.
bool forEachExecutable(const Visitor& visit);

} // namespace processsnapshot
