#include "update/updatedlg_win.h"

#include <doctest/doctest.h>
#include <windows.h>

namespace {

// A frameless window answering hit tests as the dialog does: the left half drags it.
int g_seenX = 0, g_seenY = 0;

LRESULT CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const MSG msg{window, message, wParam, lParam, 0, {}};
    long result = 0;
    const auto dragsAt = [](int x, int y) {
        g_seenX = x;
        g_seenY = y;
        return x < 0;
    };
    if (dialoghittest::captionHit(&msg, dragsAt, &result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST_CASE("hit tests on the drag area answer caption, with signed screen coordinates")
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = dialogProcedure;
    windowClass.lpszClassName = L"vesk_updateDlg_test";
    REQUIRE(RegisterClassW(&windowClass));
    HWND dialog = CreateWindowExW(0, windowClass.lpszClassName, L"updateDlg", WS_POPUP | WS_VISIBLE, -300, 100, 600,
                                  380, nullptr, nullptr, nullptr, nullptr);
    REQUIRE(dialog);

    CHECK(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(-10, 200)) == HTCAPTION);
    CHECK(g_seenX == -10);
    CHECK(g_seenY == 200);
    CHECK(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(10, 200)) == HTCLIENT);

    const MSG other{dialog, WM_MOUSEMOVE, 0, MAKELPARAM(-10, 200), 0, {}};
    long result = 0;
    CHECK_FALSE(dialoghittest::captionHit(
        &other, [](int, int) { return true; }, &result));
    DestroyWindow(dialog);
}
