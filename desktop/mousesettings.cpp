#include "desktop/mousesettings.h"

namespace mousesettings {

int doubleClickMilliseconds(int index)
{
    if (index < 0 || index > 11)
        return -1;
    return 970 - 70 * index;
}

bool setDoubleClickIndex(int index)
{
    const int ms = doubleClickMilliseconds(index);
    return ms >= 0 && setDoubleClickTime(ms);
}

} // namespace mousesettings
