#pragma once

#include <cstdint>

// Moving, sizing and minimising a top-level window by its native handle, done by the window
// system at once. One backend per platform.
namespace windowplacement {

// Moves the root window of `window` by (dx, dy) and gives it the size width x height. A window
// that is maximised or minimised is restored at its current top-left corner with the new size.
void moveWindowBy(std::uintptr_t window, int dx, int dy, int width, int height);

// Minimises the root window of `window`, or restores it when it is minimised.
void toggleMinimized(std::uintptr_t window);

} // namespace windowplacement
