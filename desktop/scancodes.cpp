#include "desktop/scancodes.h"

namespace scancodes {

namespace {

struct Entry {
    uint32_t evdev;
    ScanCode scan;
};

// Keys whose evdev code is not their scan code: the extended keys and the late additions.
constexpr Entry kTable[] = {
    {85, {0x76, 0}},  // KEY_ZENKAKUHANKAKU
    {86, {0x56, 0}},  // KEY_102ND
    {87, {0x57, 0}},  // KEY_F11
    {88, {0x58, 0}},  // KEY_F12
    {89, {0x73, 0}},  // KEY_RO
    {90, {0x78, 0}},  // KEY_KATAKANA
    {91, {0x77, 0}},  // KEY_HIRAGANA
    {92, {0x79, 0}},  // KEY_HENKAN
    {93, {0x70, 0}},  // KEY_KATAKANAHIRAGANA
    {94, {0x7B, 0}},  // KEY_MUHENKAN
    {96, {0x1C, 1}},  // KEY_KPENTER
    {97, {0x1D, 1}},  // KEY_RIGHTCTRL
    {98, {0x35, 1}},  // KEY_KPSLASH
    {99, {0x37, 1}},  // KEY_SYSRQ (Print Screen)
    {100, {0x38, 1}}, // KEY_RIGHTALT
    {102, {0x47, 1}}, // KEY_HOME
    {103, {0x48, 1}}, // KEY_UP
    {104, {0x49, 1}}, // KEY_PAGEUP
    {105, {0x4B, 1}}, // KEY_LEFT
    {106, {0x4D, 1}}, // KEY_RIGHT
    {107, {0x4F, 1}}, // KEY_END
    {108, {0x50, 1}}, // KEY_DOWN
    {109, {0x51, 1}}, // KEY_PAGEDOWN
    {110, {0x52, 1}}, // KEY_INSERT
    {111, {0x53, 1}}, // KEY_DELETE
    {113, {0x20, 1}}, // KEY_MUTE
    {114, {0x2E, 1}}, // KEY_VOLUMEDOWN
    {115, {0x30, 1}}, // KEY_VOLUMEUP
    {116, {0x5E, 1}}, // KEY_POWER
    {117, {0x59, 0}}, // KEY_KPEQUAL
    {119, {0x45, 0}}, // KEY_PAUSE: the hook names it 0x45 without the flag, Num Lock with it
    {121, {0x7E, 0}}, // KEY_KPCOMMA
    {122, {0x72, 0}}, // KEY_HANGEUL
    {123, {0x71, 0}}, // KEY_HANJA
    {124, {0x7D, 0}}, // KEY_YEN
    {125, {0x5B, 1}}, // KEY_LEFTMETA
    {126, {0x5C, 1}}, // KEY_RIGHTMETA
    {127, {0x5D, 1}}, // KEY_COMPOSE (Menu)
    {128, {0x68, 1}}, // KEY_STOP (browser)
    {140, {0x21, 1}}, // KEY_CALC
    {142, {0x5F, 1}}, // KEY_SLEEP
    {143, {0x63, 1}}, // KEY_WAKEUP
    {155, {0x6C, 1}}, // KEY_MAIL
    {156, {0x66, 1}}, // KEY_BOOKMARKS
    {157, {0x6B, 1}}, // KEY_COMPUTER
    {158, {0x6A, 1}}, // KEY_BACK
    {159, {0x69, 1}}, // KEY_FORWARD
    {163, {0x19, 1}}, // KEY_NEXTSONG
    {164, {0x22, 1}}, // KEY_PLAYPAUSE
    {165, {0x10, 1}}, // KEY_PREVIOUSSONG
    {166, {0x24, 1}}, // KEY_STOPCD
    {172, {0x32, 1}}, // KEY_HOMEPAGE
    {173, {0x67, 1}}, // KEY_REFRESH
    {183, {0x64, 0}}, // KEY_F13
    {184, {0x65, 0}}, // KEY_F14
    {185, {0x66, 0}}, // KEY_F15
    {186, {0x67, 0}}, // KEY_F16
    {187, {0x68, 0}}, // KEY_F17
    {188, {0x69, 0}}, // KEY_F18
    {189, {0x6A, 0}}, // KEY_F19
    {190, {0x6B, 0}}, // KEY_F20
    {191, {0x6C, 0}}, // KEY_F21
    {192, {0x6D, 0}}, // KEY_F22
    {193, {0x6E, 0}}, // KEY_F23
    {194, {0x76, 0}}, // KEY_F24
    {217, {0x65, 1}}, // KEY_SEARCH
    {226, {0x6D, 1}}, // KEY_MEDIA
};

constexpr uint32_t kNumLock = 69;

} // namespace

bool fromEvdev(uint32_t evdevCode, ScanCode* result)
{
    // Escape (1) to keypad "." (83) are the scan codes of the original PC keyboard.
    if (evdevCode >= 1 && evdevCode <= 83) {
        *result = {evdevCode, evdevCode == kNumLock ? 1u : 0u};
        return true;
    }
    for (const Entry& entry : kTable) {
        if (entry.evdev == evdevCode) {
            *result = entry.scan;
            return true;
        }
    }
    return false;
}

} // namespace scancodes
