#include "desktop/x11keytable.h"

#include <Qt>

#include <X11/keysym.h>

namespace x11keytable {

namespace {
// XF86 media keysyms (X11/XF86keysym.h).
constexpr uint32_t kAudioLowerVolume = 0x1008FF11;
constexpr uint32_t kAudioMute = 0x1008FF12;
constexpr uint32_t kAudioRaiseVolume = 0x1008FF13;
constexpr uint32_t kAudioPlay = 0x1008FF14;
constexpr uint32_t kAudioStop = 0x1008FF15;
constexpr uint32_t kAudioPrev = 0x1008FF16;
constexpr uint32_t kAudioNext = 0x1008FF17;
} // namespace

uint32_t keysymFor(uint32_t qtKey)
{
    // Latin-1 keys share their code with their keysym; letters are named by their lower case.
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey + ('a' - 'A');
    if ((qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) || (qtKey >= Qt::Key_nobreakspace && qtKey <= 0xFF))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return XK_F1 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Escape: return XK_Escape;
    case Qt::Key_Tab: return XK_Tab;
    case Qt::Key_Backtab: return XK_ISO_Left_Tab;
    case Qt::Key_Backspace: return XK_BackSpace;
    case Qt::Key_Return: return XK_Return;
    case Qt::Key_Enter: return XK_KP_Enter;
    case Qt::Key_Insert: return XK_Insert;
    case Qt::Key_Delete: return XK_Delete;
    case Qt::Key_Pause: return XK_Pause;
    case Qt::Key_Print: return XK_Print;
    case Qt::Key_SysReq: return XK_Sys_Req;
    case Qt::Key_Clear: return XK_Clear;
    case Qt::Key_Home: return XK_Home;
    case Qt::Key_End: return XK_End;
    case Qt::Key_Left: return XK_Left;
    case Qt::Key_Up: return XK_Up;
    case Qt::Key_Right: return XK_Right;
    case Qt::Key_Down: return XK_Down;
    case Qt::Key_PageUp: return XK_Page_Up;
    case Qt::Key_PageDown: return XK_Page_Down;
    case Qt::Key_Menu: return XK_Menu;
    case Qt::Key_Help: return XK_Help;
    case Qt::Key_CapsLock: return XK_Caps_Lock;
    case Qt::Key_NumLock: return XK_Num_Lock;
    case Qt::Key_ScrollLock: return XK_Scroll_Lock;
    case Qt::Key_VolumeDown: return kAudioLowerVolume;
    case Qt::Key_VolumeMute: return kAudioMute;
    case Qt::Key_VolumeUp: return kAudioRaiseVolume;
    case Qt::Key_MediaPlay: return kAudioPlay;
    case Qt::Key_MediaStop: return kAudioStop;
    case Qt::Key_MediaPrevious: return kAudioPrev;
    case Qt::Key_MediaNext: return kAudioNext;
    default: return 0;
    }
}

uint16_t modifierMaskFor(uint32_t qtModifiers)
{
    uint16_t mask = 0;
    if (qtModifiers & Qt::ShiftModifier)
        mask |= 1 << 0; // ShiftMask
    if (qtModifiers & Qt::ControlModifier)
        mask |= 1 << 2; // ControlMask
    if (qtModifiers & Qt::AltModifier)
        mask |= 1 << 3; // Mod1Mask
    if (qtModifiers & Qt::MetaModifier)
        mask |= 1 << 6; // Mod4Mask
    return mask;
}

} // namespace x11keytable
