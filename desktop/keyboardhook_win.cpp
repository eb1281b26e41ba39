#include "desktop/keyboardhook.h"

#include <windows.h>

#include <utility>

namespace keyboardhook {
namespace {

// The system calls a low-level hook procedure without any context of ours, so the one hook
// of the process is reached through here. It runs on the installing thread, from inside
// that thread's message loop.
class WinHook;
WinHook* g_current = nullptr;

class WinHook : public Hook {
public:
    explicit WinHook(Handler handler) : handler_(std::move(handler)) {}
    ~WinHook() override
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (g_current == this)
            g_current = nullptr;
    }

    bool start()
    {
        hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, &WinHook::procedure, GetModuleHandleW(nullptr), 0);
        if (!hook_)
            return false;
        g_current = this;
        return true;
    }

    // Key events are handed over by the hook procedure itself, as the system delivers them:
    // nothing ever waits here.
    int descriptor() const override { return -1; }
    void dispatch() override {}

private:
    static LRESULT CALLBACK procedure(int code, WPARAM message, LPARAM record)
    {
        WinHook* self = g_current;
        if (self) {
            const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(record);
            const uint32_t extended = key->flags & LLKHF_EXTENDED;
            if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
                self->handler_(KeyEvent{key->scanCode, extended, true});
            else if (message == WM_KEYUP || message == WM_SYSKEYUP)
                self->handler_(KeyEvent{key->scanCode, extended, false});
        }
        // Never swallowed: every key goes on to the next hook and the focused window.
        return CallNextHookEx(self ? self->hook_ : nullptr, code, message, record);
    }

    Handler handler_;
    HHOOK hook_ = nullptr;
};

} // namespace

std::unique_ptr<Hook> install(Handler handler)
{
    auto hook = std::make_unique<WinHook>(std::move(handler));
    if (!hook->start())
        return nullptr;
    return hook;
}

} // namespace keyboardhook
