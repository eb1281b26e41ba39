#include "desktop/macrohook.h"

namespace macrohook {

KeyAction actionForMessage(uint32_t message)
{
    switch (message) {
    case 0x0100: // WM_KEYDOWN
    case 0x0104: // WM_SYSKEYDOWN
        return KeyAction::Press;
    case 0x0101: // WM_KEYUP
    case 0x0105: // WM_SYSKEYUP
        return KeyAction::Release;
    default: return KeyAction::None;
    }
}

HookState::HookState(Clock clock, Sink sink) : m_clock(std::move(clock)), m_sink(std::move(sink)) {}

void HookState::begin()
{
    m_firstPress = true;
    m_lastEventTime = m_clock();
}

void HookState::sendDelay()
{
    // The plain difference of two times of day: negative across midnight.
    const int32_t delay = m_clock() - m_lastEventTime;
    m_sink({"2", std::to_string(delay), "0", "0"});
}

void HookState::handle(KeyAction action, uint32_t scanCode, uint32_t extended)
{
    switch (action) {
    case KeyAction::Press: {
        const auto held = m_held.find(scanCode);
        if (held != m_held.end() && held->second == extended)
            return; // auto-repeat
        if (m_firstPress)
            m_firstPress = false;
        else
            sendDelay();
        m_lastEventTime = m_clock();
        m_sink({"0", "1", std::to_string(scanCode), std::to_string(extended)});
        m_held[scanCode] = extended;
        break;
    }
    case KeyAction::Release:
        sendDelay();
        m_lastEventTime = m_clock();
        m_sink({"0", "0", std::to_string(scanCode), std::to_string(extended)});
        m_held.erase(scanCode);
        break;
    case KeyAction::None: break;
    }
}

} // namespace macrohook
