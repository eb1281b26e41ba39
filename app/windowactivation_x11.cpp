#include "app/windowactivation.h"

#include "browser/x11window.h"

#include <cstdlib>
#include <memory>

namespace windowactivation {
namespace {

std::vector<xcb_window_t> topLevelWindows()
{
    std::vector<xcb_window_t> windows;
    const auto managed = x11window::cardinals(x11window::root(), x11window::atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (x11window::windowManagerRunning() && !managed.empty()) {
        windows.assign(managed.begin(), managed.end());
        return windows;
    }
    xcb_connection_t* c = x11window::connection();
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, x11window::root()), nullptr), &std::free);
    if (!tree)
        return windows;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
    return windows;
}

std::string title(xcb_window_t w)
{
    std::string t = x11window::text(w, x11window::atom("_NET_WM_NAME"));
    return t.empty() ? x11window::text(w, XCB_ATOM_WM_NAME) : t;
}

} // namespace

bool activateProcessWindow(std::uint64_t pid, const std::function<bool(const std::string&)>& titleMatches)
{
    if (!x11window::connection())
        return false;
    const xcb_atom_t pidAtom = x11window::atom("_NET_WM_PID");
    for (xcb_window_t w : topLevelWindows()) {
        const auto owner = x11window::cardinals(w, pidAtom, XCB_ATOM_CARDINAL);
        if (owner.empty() || owner[0] != pid)
            continue;
        if (!titleMatches(title(w)))
            continue;
        x11window::activate(w);
        return true;
    }
    return false;
}

} // namespace windowactivation
