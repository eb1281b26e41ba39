#include "browser/x11window.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace x11window {
namespace {

struct Connection {
    xcb_connection_t* conn = nullptr;
    xcb_window_t root = 0;
};

Connection& shared()
{
    static Connection c;
    static std::once_flag once;
    std::call_once(once, [] {
        int screenNumber = 0;
        xcb_connection_t* conn = xcb_connect(nullptr, &screenNumber);
        if (!conn || xcb_connection_has_error(conn)) {
            if (conn)
                xcb_disconnect(conn);
            return;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        c.conn = conn;
        c.root = it.data ? it.data->root : 0;
    });
    return c;
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

} // namespace

xcb_connection_t* connection()
{
    return shared().conn;
}

xcb_window_t root()
{
    return shared().root;
}

xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_ATOM_NONE;
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::vector<uint32_t> cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    std::vector<uint32_t> values;
    xcb_connection_t* c = connection();
    if (!c)
        return values;
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 4096), nullptr), &std::free);
    if (!r || r->format != 32)
        return values;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    values.assign(data, data + xcb_get_property_value_length(r.get()) / 4);
    return values;
}

std::string text(xcb_window_t window, xcb_atom_t property)
{
    xcb_connection_t* c = connection();
    if (!c)
        return std::string();
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
                               nullptr),
        &std::free);
    if (!r || r->format != 8)
        return std::string();
    return std::string(static_cast<const char*>(xcb_get_property_value(r.get())),
                       static_cast<size_t>(xcb_get_property_value_length(r.get())));
}

bool windowManagerRunning()
{
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    const std::vector<uint32_t> w = cardinals(root(), check, XCB_ATOM_WINDOW);
    if (w.empty())
        return false;
    // The check window must exist and point at itself, or the property is stale.
    const std::vector<uint32_t> self = cardinals(w[0], check, XCB_ATOM_WINDOW);
    return !self.empty() && self[0] == w[0];
}

xcb_window_t topLevel(xcb_window_t window)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return window;
    const xcb_atom_t wmState = atom("WM_STATE");
    xcb_window_t current = window;
    for (int depth = 0; depth < 64; ++depth) {
        if (!cardinals(current, wmState, wmState).empty())
            return current;
        Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr), &std::free);
        if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            return current;
        current = tree->parent;
    }
    return current;
}

void sendToRoot(xcb_window_t window, xcb_atom_t type, uint32_t d0, uint32_t d1, uint32_t d2)
{
    xcb_connection_t* c = connection();
    if (!c)
        return;
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = type;
    ev.data.data32[0] = d0;
    ev.data.data32[1] = d1;
    ev.data.data32[2] = d2;
    xcb_send_event(c, 0, root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
}

void activate(xcb_window_t window)
{
    xcb_connection_t* c = connection();
    if (!c || !window)
        return;
    xcb_map_window(c, window);
    if (windowManagerRunning()) {
        // Source indication 2: a pager, which window managers obey without focus-stealing checks.
        sendToRoot(window, atom("_NET_ACTIVE_WINDOW"), 2, XCB_CURRENT_TIME);
    } else {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    }
    xcb_flush(c);
}

} // namespace x11window
