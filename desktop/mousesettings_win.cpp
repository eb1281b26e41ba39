#include "desktop/mousesettings.h"

#include <windows.h>

#include <cstdint>

// Written to the user profile without telling other windows: the page changes these one
// step at a time and Windows picks them up as it reads them.
namespace mousesettings {

bool setPointerSpeed(int speed)
{
    if (!isPointerSpeed(speed))
        return false;
    // The speed itself travels in the pointer-sized argument.
    return SystemParametersInfoW(SPI_SETMOUSESPEED, 0, reinterpret_cast<PVOID>(static_cast<std::intptr_t>(speed)),
                                 SPIF_UPDATEINIFILE) != FALSE;
}

bool setWheelScrollLines(int lines)
{
    return SystemParametersInfoW(SPI_SETWHEELSCROLLLINES, static_cast<UINT>(lines),
                                 reinterpret_cast<PVOID>(static_cast<std::intptr_t>(lines)),
                                 SPIF_UPDATEINIFILE) != FALSE;
}

bool setDoubleClickTime(int milliseconds)
{
    return SetDoubleClickTime(static_cast<UINT>(milliseconds)) != FALSE;
}

} // namespace mousesettings
