#pragma once

// The desktop's own mouse settings: pointer speed, wheel scroll lines, double-click time.
// Each returns whether the system accepted the value. One backend per platform.
namespace mousesettings {

// Pointer speed on Windows' scale, 1 (slowest) to 10 (default) to 20 (fastest); anything
// else is refused without touching the system.
bool setPointerSpeed(int speed);
bool setWheelScrollLines(int lines);
bool setDoubleClickTime(int milliseconds);

// The double-click table: entry i is 970 - 70 * i milliseconds for i from 0 to 11.
int doubleClickMilliseconds(int index); // -1 outside the table
bool setDoubleClickIndex(int index);    // false outside the table, without asking the system

constexpr int kMinPointerSpeed = 1;
constexpr int kMaxPointerSpeed = 20;
bool isPointerSpeed(int speed);

// X pointer acceleration for a speed: motion beyond `threshold` pixels is multiplied by
// numerator / denominator. Speed 10 gives the X server's default, 2/1 beyond 4 pixels; the
// other speeds follow Windows' pointer multipliers (1/32 at 1, 3.5 at 20) relative to it.
struct PointerAcceleration {
    int numerator;
    int denominator;
    int threshold;
};
PointerAcceleration pointerAcceleration(int speed);

// The same speed on GNOME's scale, -1 to 1 with 0 as the default.
double gnomePointerSpeed(int speed);

} // namespace mousesettings
