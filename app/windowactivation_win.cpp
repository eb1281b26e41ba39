#include "app/windowactivation.h"

#include "win/wintext.h"

#include <windows.h>

namespace windowactivation {
namespace {

constexpr int kTitleRoom = 1024;

struct Search {
    std::uint64_t pid;
    const std::function<bool(const std::string&)>* titleMatches;
    bool found;
};

BOOL CALLBACK visitWindow(HWND window, LPARAM context)
{
    Search& search = *reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search.pid)
        return TRUE;
    wchar_t title[kTitleRoom];
    const int length = GetWindowTextW(window, title, kTitleRoom);
    if (length <= 0 || length >= kTitleRoom)
        return TRUE;
    if (!(*search.titleMatches)(wintext::utf8(title, static_cast<size_t>(length))))
        return TRUE;
    SetForegroundWindow(window);
    SetFocus(window);
    search.found = true;
    return FALSE;
}

} // namespace

bool activateProcessWindow(std::uint64_t pid, const std::function<bool(const std::string&)>& titleMatches)
{
    Search search{pid, &titleMatches, false};
    EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace windowactivation
