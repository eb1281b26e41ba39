#include "desktop/mousesettings.h"

#include <algorithm>
#include <numeric>

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

bool isPointerSpeed(int speed)
{
    return speed >= kMinPointerSpeed && speed <= kMaxPointerSpeed;
}

PointerAcceleration pointerAcceleration(int speed)
{
    // Windows' multipliers in 32nds (1/32, 1/16, 1/8, 2/8 ... 7/8, 1, then steps of 1/4),
    // doubled to sit on the X default; the result is in 16ths.
    static const int sixteenths[kMaxPointerSpeed] = {1,  2,  4,  8,  12, 16, 20, 24, 28,  32,
                                                     40, 48, 56, 64, 72, 80, 88, 96, 104, 112};
    const int numerator = sixteenths[std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed) - kMinPointerSpeed];
    const int common = std::gcd(numerator, 16);
    return {numerator / common, 16 / common, 4};
}

double gnomePointerSpeed(int speed)
{
    if (speed <= 10)
        return (speed - 10) / 9.0;
    return (speed - 10) / 10.0;
}

} // namespace mousesettings
