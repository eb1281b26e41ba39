#include "desktop/globalhotkey.h"
#include "desktop/keyboardhook.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <vector>

namespace {

INPUT key(WORD virtualKey, WORD scanCode, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = flags;
    return input;
}

void send(std::vector<INPUT> inputs)
{
    REQUIRE(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size());
}

// Runs this thread's message loop a while: hooks are called and hotkeys posted from it.
std::vector<MSG> pump(DWORD milliseconds)
{
    std::vector<MSG> messages;
    const DWORD end = GetTickCount() + milliseconds;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            messages.push_back(msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return messages;
}

const globalhotkey::Combination kCtrlAltF9{0, 0, VK_F9, MOD_CONTROL | MOD_ALT};

} // namespace

TEST_CASE("a registered hotkey arrives as WM_HOTKEY and is recognised; a second registration is refused")
{
    globalhotkey::Backend& hotkeys = globalhotkey::backend();
    REQUIRE(hotkeys.registerHotKey(kCtrlAltF9));
    CHECK_FALSE(hotkeys.registerHotKey(kCtrlAltF9));

    send({key(VK_CONTROL, 0, 0), key(VK_MENU, 0, 0), key(VK_F9, 0, 0), key(VK_F9, 0, KEYEVENTF_KEYUP),
          key(VK_MENU, 0, KEYEVENTF_KEYUP), key(VK_CONTROL, 0, KEYEVENTF_KEYUP)});
    int pressed = 0;
    for (MSG& msg : pump(500)) {
        uint32_t virtualKey = 0, flags = 0;
        CHECK_FALSE(hotkeys.pressedHotKey("windows_generic_MSG", &msg, &virtualKey, &flags));
        if (!hotkeys.pressedHotKey("windows_dispatcher_MSG", &msg, &virtualKey, &flags))
            continue;
        ++pressed;
        CHECK(msg.wParam == static_cast<WPARAM>(kCtrlAltF9.flags ^ kCtrlAltF9.virtualKey));
        CHECK(virtualKey == kCtrlAltF9.virtualKey);
        CHECK(flags == kCtrlAltF9.flags);
    }
    CHECK(pressed == 1);

    CHECK(hotkeys.unregisterHotKey(kCtrlAltF9));
    CHECK_FALSE(hotkeys.unregisterHotKey(kCtrlAltF9));
    send({key(VK_CONTROL, 0, 0), key(VK_MENU, 0, 0), key(VK_F9, 0, 0), key(VK_F9, 0, KEYEVENTF_KEYUP),
          key(VK_MENU, 0, KEYEVENTF_KEYUP), key(VK_CONTROL, 0, KEYEVENTF_KEYUP)});
    for (MSG& msg : pump(300))
        CHECK(msg.message != WM_HOTKEY);
}

namespace {

std::vector<KBDLLHOOKSTRUCT> g_downstream;
HHOOK g_downstreamHook = nullptr;

LRESULT CALLBACK downstream(int code, WPARAM message, LPARAM record)
{
    g_downstream.push_back(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(record));
    return CallNextHookEx(g_downstreamHook, code, message, record);
}

} // namespace

TEST_CASE("the keyboard hook sees scan codes and the extended flag and passes every key on")
{
    // Installed first, so it is called after the hook under test: it sees what is passed on.
    g_downstreamHook = SetWindowsHookExW(WH_KEYBOARD_LL, downstream, GetModuleHandleW(nullptr), 0);
    REQUIRE(g_downstreamHook);
    std::vector<keyboardhook::KeyEvent> seen;
    {
        auto hook = keyboardhook::install([&](const keyboardhook::KeyEvent& event) { seen.push_back(event); });
        REQUIRE(hook);
        send({key(0, 0x1E, KEYEVENTF_SCANCODE), key(0, 0x1E, KEYEVENTF_SCANCODE | KEYEVENTF_KEYUP),
              key(0, 0x1D, KEYEVENTF_SCANCODE | KEYEVENTF_EXTENDEDKEY),
              key(0, 0x1D, KEYEVENTF_SCANCODE | KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP)});
        pump(300);
    }
    REQUIRE(seen.size() == 4);
    const keyboardhook::KeyEvent expected[] = {{0x1E, 0, true}, {0x1E, 0, false}, {0x1D, 1, true}, {0x1D, 1, false}};
    for (size_t i = 0; i < 4; ++i) {
        CAPTURE(i);
        CHECK(seen[i].scanCode == expected[i].scanCode);
        CHECK(seen[i].extended == expected[i].extended);
        CHECK(seen[i].press == expected[i].press);
    }
    CHECK(g_downstream.size() == 4);

    // Removed with its owner: later keys reach only the other hook.
    send({key(0, 0x1E, KEYEVENTF_SCANCODE), key(0, 0x1E, KEYEVENTF_SCANCODE | KEYEVENTF_KEYUP)});
    pump(300);
    CHECK(seen.size() == 4);
    CHECK(g_downstream.size() == 6);
    UnhookWindowsHookEx(g_downstreamHook);
}
