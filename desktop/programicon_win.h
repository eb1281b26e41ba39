#pragma once

#include <string>

// A program's icon as the Windows shell shows it, saved by the system's OLE picture object
// in the .ico format.
namespace shellicon {

// The large shell icon of `exePath` as .ico bytes; empty when the shell has no icon for it or
// the picture saves nothing.
std::string iconBytes(const std::wstring& exePath);

} // namespace shellicon
