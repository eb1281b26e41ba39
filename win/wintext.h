#pragma once

#include <windows.h>

#include <string>

// UTF-8 <-> UTF-16 for the Windows backends, whose seams speak UTF-8 std::string.
namespace wintext {

inline std::wstring wide(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], n);
    return text;
}

inline std::string utf8(const wchar_t* text, size_t length)
{
    if (length == 0)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &result[0], n, nullptr, nullptr);
    return result;
}

inline std::string utf8(const std::wstring& text)
{
    return utf8(text.data(), text.size());
}

// The folder of this executable with a trailing backslash, as the module file name gives it.
inline std::wstring moduleDirectory()
{
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

} // namespace wintext
