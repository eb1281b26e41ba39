#include "update/updatedlg_win.h"

#include <windows.h>

#include <windowsx.h>

namespace dialoghittest {

bool captionHit(const void* message, const std::function<bool(int, int)>& dragsAt, long* result)
{
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message != WM_NCHITTEST)
        return false;
    // Signed: screens left of or above the primary one have negative coordinates.
    if (!dragsAt(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)))
        return false;
    *result = HTCAPTION;
    return true;
}

} // namespace dialoghittest
