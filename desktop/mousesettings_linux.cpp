#include "desktop/mousesettings.h"

// The Linux backend of the desktop mouse settings comes with the desktop work; until then
// the system refuses every change, and the commands report it.
namespace mousesettings {

bool setPointerSpeed(int)
{
    return false;
}

bool setWheelScrollLines(int)
{
    return false;
}

bool setDoubleClickTime(int)
{
    return false;
}

} // namespace mousesettings
