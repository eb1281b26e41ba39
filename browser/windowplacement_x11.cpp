#include "browser/windowplacement.h"

#include "browser/x11window.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace windowplacement {
namespace {

constexpr uint32_t kIconicState = 3;

struct Rect {
    int left = 0, top = 0;
    bool valid = false;
};

Rect screenPosition(xcb_window_t w)
{
    Rect r;
    xcb_connection_t* c = x11window::connection();
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> t(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, w, x11window::root(), 0, 0), nullptr),
        &std::free);
    if (t) {
        r.left = t->dst_x;
        r.top = t->dst_y;
        r.valid = true;
    }
    return r;
}

bool hasState(xcb_window_t w, const char* state)
{
    const xcb_atom_t wanted = x11window::atom(state);
    const auto states = x11window::cardinals(w, x11window::atom("_NET_WM_STATE"), XCB_ATOM_ATOM);
    return std::find(states.begin(), states.end(), wanted) != states.end();
}

bool isMaximized(xcb_window_t w)
{
    return hasState(w, "_NET_WM_STATE_MAXIMIZED_VERT") || hasState(w, "_NET_WM_STATE_MAXIMIZED_HORZ");
}

bool isMinimized(xcb_window_t w)
{
    const xcb_atom_t wmState = x11window::atom("WM_STATE");
    const auto state = x11window::cardinals(w, wmState, wmState);
    if (!state.empty() && state[0] == kIconicState)
        return true;
    if (hasState(w, "_NET_WM_STATE_HIDDEN"))
        return true;
    if (x11window::windowManagerRunning())
        return false;
    // Without a window manager, minimising withdraws the window: unmapped means minimised.
    xcb_connection_t* c = x11window::connection();
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> a(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr), &std::free);
    return a && a->map_state == XCB_MAP_STATE_UNMAPPED;
}

void moveResize(xcb_window_t w, int x, int y, int width, int height)
{
    const uint32_t values[] = {static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                               static_cast<uint32_t>(std::max(1, width)), static_cast<uint32_t>(std::max(1, height))};
    xcb_configure_window(x11window::connection(), w,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
}

void restore(xcb_window_t w)
{
    constexpr uint32_t kRemove = 0;
    x11window::sendToRoot(w, x11window::atom("_NET_WM_STATE"), kRemove, x11window::atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                          x11window::atom("_NET_WM_STATE_MAXIMIZED_HORZ"));
    x11window::activate(w);
}

} // namespace

void moveWindowBy(std::uintptr_t window, int dx, int dy, int width, int height)
{
    xcb_connection_t* c = x11window::connection();
    if (!c || !window)
        return;
    const xcb_window_t w = x11window::topLevel(static_cast<xcb_window_t>(window));
    const Rect r = screenPosition(w);
    if (!r.valid)
        return;
    if (isMaximized(w) || isMinimized(w)) {
        restore(w);
        moveResize(w, r.left, r.top, width, height);
    } else {
        moveResize(w, r.left + dx, r.top + dy, width, height);
    }
    xcb_flush(c);
}

void toggleMinimized(std::uintptr_t window)
{
    xcb_connection_t* c = x11window::connection();
    if (!c || !window)
        return;
    const xcb_window_t w = x11window::topLevel(static_cast<xcb_window_t>(window));
    if (isMinimized(w)) {
        x11window::activate(w);
    } else if (x11window::windowManagerRunning()) {
        x11window::sendToRoot(w, x11window::atom("WM_CHANGE_STATE"), kIconicState);
    } else {
        xcb_unmap_window(c, w);
    }
    xcb_flush(c);
}

} // namespace windowplacement
