#pragma once

// The desktop's own mouse settings: pointer speed, wheel scroll lines, double-click time.
// Each returns whether the system accepted the value. One backend per platform.
namespace mousesettings {

bool setPointerSpeed(int speed);
bool setWheelScrollLines(int lines);
bool setDoubleClickTime(int milliseconds);

// The double-click table: entry i is 970 - 70 * i milliseconds for i from 0 to 11.
int doubleClickMilliseconds(int index); // -1 outside the table
bool setDoubleClickIndex(int index);    // false outside the table, without asking the system

} // namespace mousesettings
