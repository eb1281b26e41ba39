#pragma once

#include <string>

// The Windows shell's folder delete, behind deleteFolder on Windows.
namespace shellfolders {

// Room of the shell's double-NUL-terminated path, in UTF-16 units.
constexpr size_t kPathRoom = 4096;

// Deletes `nativePath` (backslashes) with everything in it, silently; a missing folder is no
// error. A path that does not fit is left alone: cut short it would name another folder.
// Returns the shell's result (0 on success); ERROR_INVALID_PARAMETER for an empty path and
// ERROR_FILENAME_EXCED_RANGE for one that does not fit, without asking the shell.
int deleteFolder(const std::wstring& nativePath);

} // namespace shellfolders
