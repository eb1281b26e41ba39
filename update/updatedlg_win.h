#pragma once

#include <functional>

// The update dialog has no system frame: on Windows, hit tests on its margins and the empty
// area of its page answer "caption", so the system drags it.
namespace dialoghittest {

// When `message` (a Windows MSG) is WM_NCHITTEST and `dragsAt` says the cursor's screen point
// drags the dialog: sets *result to HTCAPTION and returns true. Anything else is left to
// the default handling (false).
bool captionHit(const void* message, const std::function<bool(int screenX, int screenY)>& dragsAt, long* result);

} // namespace dialoghittest
