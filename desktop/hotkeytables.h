#pragma once

#include <cstdint>

// How a Qt key combination is named to the Windows hotkey service: the virtual-key code, the
// hotkey modifier flags and the hotkey id. Plain values so every backend can use them; the
// combination's identity in the shortcut table is the pair (virtual key, flags).
namespace hotkeytables {

// The virtual-key code of a Qt key (modifiers removed); 0 for a key without one.
uint32_t virtualKeyFor(uint32_t qtKey);
// MOD_SHIFT, MOD_CONTROL, MOD_ALT and MOD_WIN for the Qt modifier bits.
uint32_t hotKeyModifiersFor(uint32_t qtModifiers);
// The id a combination is registered under.
inline uint32_t hotKeyId(uint32_t virtualKey, uint32_t flags)
{
    return flags ^ virtualKey;
}

} // namespace hotkeytables
