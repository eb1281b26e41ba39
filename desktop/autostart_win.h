#pragma once

#include <string>

// The machine-wide Run value that starts the program at log-on, hidden in the tray.
namespace autostart {

constexpr wchar_t kRunKey[] = L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValueName[] = L"lumora";

// The value's data for an application directory in native form ending in a backslash:
// "<appDir>vesk.exe" -autostart. The name is vesk.exe whatever this file is called.
std::wstring runValueData(const std::wstring& appDir);

} // namespace autostart
