#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

// Small helpers over one private xcb connection to the display, shared by the X11 backends
// of window placement and instance activation. Errors come back as failed replies, never abort.
namespace x11window {

xcb_connection_t* connection(); // null when there is no display
xcb_window_t root();
xcb_atom_t atom(const char* name);

// Whether an EWMH window manager runs (it answers _NET_ACTIVE_WINDOW and WM_CHANGE_STATE).
bool windowManagerRunning();

// The top-level client window that contains `window` (the one a window manager manages).
xcb_window_t topLevel(xcb_window_t window);

std::vector<uint32_t> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);
std::string text(xcb_window_t window, xcb_atom_t property);

// Sends an EWMH client message about `window` to the root window.
void sendToRoot(xcb_window_t window, xcb_atom_t type, uint32_t d0, uint32_t d1 = 0, uint32_t d2 = 0);

// Brings `window` to the front with the input focus: through the window manager when one
// runs, else by raising it and setting the focus ourselves.
void activate(xcb_window_t window);

} // namespace x11window
