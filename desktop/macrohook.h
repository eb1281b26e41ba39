#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

// The macro recorder's view of key events: which events become "macroItem" steps. Free of
// system calls; the clock and the receiver of the steps are handed in.
namespace macrohook {

// One "macroItem" step: kind ("0" key, "2" delay), state or delay, key, extended flag.
struct Step {
    std::string kind;
    std::string value;
    std::string key;
    std::string extended;
};

enum class KeyAction { Press, Release, None };

// The Windows hook messages: WM_KEYDOWN and WM_SYSKEYDOWN press, WM_KEYUP and WM_SYSKEYUP release.
KeyAction actionForMessage(uint32_t message);
// The extended-key flag of a Windows hook record (LLKHF_EXTENDED).
inline uint32_t extendedFromFlags(uint32_t flags)
{
    return flags & 0x01;
}

class HookState {
public:
    // Local time of day in milliseconds.
    using Clock = std::function<int32_t()>;
    using Sink = std::function<void(const Step&)>;

    HookState(Clock clock, Sink sink);

    // A new recording: the next press comes without a delay step; delays count from now.
    void begin();
    void handle(KeyAction action, uint32_t scanCode, uint32_t extended);

private:
    void sendDelay();

    Clock m_clock;
    Sink m_sink;
    bool m_firstPress = false;
    int32_t m_lastEventTime = 0;
    // Keys seen pressed and not yet released: scan code -> extended flag. Kept across
    // recordings, so a key held through a restart counts as repeating.
    std::map<uint32_t, uint32_t> m_held;
};

} // namespace macrohook
