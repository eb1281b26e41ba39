#pragma once

#include <cstdint>

// How a Qt key combination is named to an X server: the keysym of the key and the core
// modifier mask. Pure tables for the X11 hotkey backend.
namespace x11keytable {

// The keysym of a Qt key (modifiers removed); 0 for a key without one.
uint32_t keysymFor(uint32_t qtKey);
// ShiftMask, ControlMask, Mod1Mask (Alt) and Mod4Mask (Super, the Meta key) for the Qt bits.
uint16_t modifierMaskFor(uint32_t qtModifiers);

} // namespace x11keytable
