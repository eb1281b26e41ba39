#pragma once

#include <cstdint>

// Linux evdev key codes (X key code - 8) as PC scan codes of set 1 with the extended flag,
// the way the Windows keyboard hook names keys.
namespace scancodes {

struct ScanCode {
    uint32_t code;
    uint32_t extended;
};

// False for a key that has no scan code.
bool fromEvdev(uint32_t evdevCode, ScanCode* result);

} // namespace scancodes
