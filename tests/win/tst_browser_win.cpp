#include "browser/windowplacement.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <cstdint>

namespace {

// A real top-level window with a child, as the page's view sits inside the main window.
struct TopLevel {
    HWND window = nullptr;
    HWND child = nullptr;

    TopLevel()
    {
        window = CreateWindowExW(0, L"STATIC", L"vesk", WS_OVERLAPPEDWINDOW, 100, 120, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
        child =
            CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, window, nullptr, nullptr, nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
    }
    ~TopLevel() { DestroyWindow(window); }

    RECT rect() const
    {
        RECT r{};
        GetWindowRect(window, &r);
        return r;
    }
    std::uintptr_t handle() const { return reinterpret_cast<std::uintptr_t>(child); }
};

} // namespace

TEST_CASE("moveWindowBy moves the root window by the offsets and sizes it")
{
    TopLevel w;
    REQUIRE(w.window);
    windowplacement::moveWindowBy(w.handle(), 10, -5, 800, 600);
    const RECT r = w.rect();
    CHECK(r.left == 110);
    CHECK(r.top == 115);
    CHECK(r.right - r.left == 800);
    CHECK(r.bottom - r.top == 600);
}

TEST_CASE("moveWindowBy restores a maximised or minimised window at its corner with the new size")
{
    TopLevel w;
    POINT corner{};
    SUBCASE("maximised")
    {
        ShowWindow(w.window, SW_MAXIMIZE);
        REQUIRE(IsZoomed(w.window));
        corner = POINT{w.rect().left, w.rect().top};
    }
    SUBCASE("minimised")
    {
        // Its screen rectangle is off at -32000; it comes back where it was before.
        ShowWindow(w.window, SW_MINIMIZE);
        REQUIRE(IsIconic(w.window));
        corner = POINT{100, 120};
    }

    windowplacement::moveWindowBy(w.handle(), 10, -5, 640, 480);

    CHECK_FALSE(IsZoomed(w.window));
    CHECK_FALSE(IsIconic(w.window));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(w.window, &placement);
    // The offsets are not applied: the normal position starts where the window was.
    CHECK(placement.rcNormalPosition.left == corner.x);
    CHECK(placement.rcNormalPosition.top == corner.y);
    const RECT r = w.rect();
    CHECK(r.left == corner.x);
    CHECK(r.top == corner.y);
    CHECK(r.right - r.left == 640);
    CHECK(r.bottom - r.top == 480);
}

TEST_CASE("toggleMinimized minimises, then restores")
{
    TopLevel w;
    const RECT before = w.rect();
    windowplacement::toggleMinimized(w.handle());
    CHECK(IsIconic(w.window));
    windowplacement::toggleMinimized(w.handle());
    CHECK_FALSE(IsIconic(w.window));
    const RECT after = w.rect();
    CHECK(after.left == before.left);
    CHECK(after.top == before.top);
    CHECK(after.right == before.right);
}

TEST_CASE("window calls on a handle that names no window do nothing")
{
    windowplacement::moveWindowBy(0, 1, 1, 10, 10);
    windowplacement::toggleMinimized(0);
    CHECK(true);
}
