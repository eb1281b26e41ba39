#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// A system-wide keyboard watcher that never swallows a key, one backend per platform. Keys
// are named as PC scan codes (set 1) with the extended-key flag, as the mouse firmware
// expects them.
namespace keyboardhook {

struct KeyEvent {
    uint32_t scanCode;
    uint32_t extended; // 0 or 1
    bool press;
};

using Handler = std::function<void(const KeyEvent&)>;

class Hook {
public:
    virtual ~Hook() = default; // removes the hook
    // Becomes readable when key events wait; the owner then calls dispatch().
    virtual int descriptor() const = 0;
    // Hands every waiting key event to the handler.
    virtual void dispatch() = 0;
};

// Starts watching every key of the desktop; null when no hook can be had.
std::unique_ptr<Hook> install(Handler handler);

} // namespace keyboardhook
