#include "browser/windowplacement.h"

#include <windows.h>

namespace windowplacement {
namespace {

HWND rootOf(std::uintptr_t window)
{
    return GetAncestor(reinterpret_cast<HWND>(window), GA_ROOT);
}

// GetWindowPlacement reports a minimised window as SW_SHOWMINIMIZED, whichever command
// minimised it.
bool isMinimized(const WINDOWPLACEMENT& placement)
{
    return placement.showCmd == SW_SHOWMINIMIZED;
}

} // namespace

void moveWindowBy(std::uintptr_t window, int dx, int dy, int width, int height)
{
    const HWND root = rootOf(window);
    RECT rect{};
    GetWindowRect(root, &rect);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(root, &placement);
    if (placement.showCmd == SW_SHOWMAXIMIZED || isMinimized(placement)) {
        // A minimised window sits at -32000: its corner is that of its normal position.
        const POINT corner = isMinimized(placement)
                                 ? POINT{placement.rcNormalPosition.left, placement.rcNormalPosition.top}
                                 : POINT{rect.left, rect.top};
        placement.rcNormalPosition = RECT{corner.x, corner.y, corner.x + width, corner.y + height};
        SetWindowPlacement(root, &placement);
        ShowWindow(root, SW_RESTORE);
        return;
    }
    SetWindowPos(root, nullptr, rect.left + dx, rect.top + dy, width, height, SWP_NOZORDER);
}

void toggleMinimized(std::uintptr_t window)
{
    const HWND root = rootOf(window);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(root, &placement);
    ShowWindow(root, isMinimized(placement) ? SW_RESTORE : SW_SHOWMINIMIZED);
}

} // namespace windowplacement
