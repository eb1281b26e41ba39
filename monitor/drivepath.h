#pragma once

#include <string>
#include <vector>

// Windows image paths: the kernel names a file by its volume device
// (\Device\HarddiskVolume2\Games\Game.exe); bindings name it by drive letter (C:\Games\Game.exe).
namespace drivepath {

// One drive root and the device name the system gives for it ("C", "\Device\HarddiskVolume2").
struct DosDrive {
    char16_t letter;
    std::u16string deviceName;
};

// Room of the result buffer, terminator included.
constexpr size_t kMaxPath = 260;

// The drive-letter form of `imagePath` through the first drive, in list order, whose device
// name occurs in it; "Unknown" and false when none does. Drives whose device name could not
// be read (empty) match nothing.
bool toDrivePath(const std::u16string& imagePath, const std::vector<DosDrive>& drives, std::u16string* result);

} // namespace drivepath
