#include "desktop/hotkeytables.h"

#include <Qt>

namespace hotkeytables {

uint32_t virtualKeyFor(uint32_t qtKey)
{
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
    case Qt::Key_Space: return 0x20;    // VK_SPACE
    case Qt::Key_Asterisk: return 0x6A; // VK_MULTIPLY
    case Qt::Key_Plus: return 0x6B;     // VK_ADD
    case Qt::Key_Comma: return 0x6C;    // VK_SEPARATOR
    case Qt::Key_Minus: return 0x6D;    // VK_SUBTRACT
    case Qt::Key_Slash: return 0x6F;    // VK_DIVIDE
    case Qt::Key_Escape: return 0x1B;   // VK_ESCAPE
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;   // VK_TAB
    case Qt::Key_Backspace: return 0x08; // VK_BACK
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;         // VK_RETURN
    case Qt::Key_Insert: return 0x2D;        // VK_INSERT
    case Qt::Key_Delete: return 0x2E;        // VK_DELETE
    case Qt::Key_Pause: return 0x13;         // VK_PAUSE
    case Qt::Key_Print: return 0x2A;         // VK_PRINT, which the Print Screen key (VK_SNAPSHOT) does not give
    case Qt::Key_Clear: return 0x0C;         // VK_CLEAR
    case Qt::Key_Home: return 0x24;          // VK_HOME
    case Qt::Key_End: return 0x23;           // VK_END
    case Qt::Key_Left: return 0x25;          // VK_LEFT
    case Qt::Key_Up: return 0x26;            // VK_UP
    case Qt::Key_Right: return 0x27;         // VK_RIGHT
    case Qt::Key_Down: return 0x28;          // VK_DOWN
    case Qt::Key_PageUp: return 0x21;        // VK_PRIOR
    case Qt::Key_PageDown: return 0x22;      // VK_NEXT
    case Qt::Key_VolumeDown: return 0xAE;    // VK_VOLUME_DOWN
    case Qt::Key_VolumeMute: return 0xAD;    // VK_VOLUME_MUTE
    case Qt::Key_VolumeUp: return 0xAF;      // VK_VOLUME_UP
    case Qt::Key_MediaPlay: return 0xB3;     // VK_MEDIA_PLAY_PAUSE
    case Qt::Key_MediaStop: return 0xB2;     // VK_MEDIA_STOP
    case Qt::Key_MediaPrevious: return 0xB1; // VK_MEDIA_PREV_TRACK
    case Qt::Key_MediaNext: return 0xB0;     // VK_MEDIA_NEXT_TRACK
    default: return 0;
    }
}

uint32_t hotKeyModifiersFor(uint32_t qtModifiers)
{
    uint32_t flags = 0;
    if (qtModifiers & Qt::ShiftModifier)
        flags |= 0x4; // MOD_SHIFT
    if (qtModifiers & Qt::ControlModifier)
        flags |= 0x2; // MOD_CONTROL
    if (qtModifiers & Qt::AltModifier)
        flags |= 0x1; // MOD_ALT
    if (qtModifiers & Qt::MetaModifier)
        flags |= 0x8; // MOD_WIN
    return flags;
}

} // namespace hotkeytables
