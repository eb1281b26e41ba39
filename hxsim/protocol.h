#pragma once

// What the simulated mouse's addresses, property numbers, notifications, events and data
// reports mean. README.md documents the same for the page.

#include <cstdint>

namespace hxsim::protocol {

// Onboard memory: 64 KiB, addressed 0x0000-0xFFFF.
constexpr int kMemorySize = 0x10000;
constexpr int kModeCount = 5;
constexpr int kButtonCount = 8;
constexpr int kButtonMapBase = 0x0000; // mode m's button map at kButtonMapBase + m * kButtonMapStride
constexpr int kButtonMapStride = 0x100;
constexpr int kButtonEntrySize = 4; // action, p1, p2, p3
constexpr int kMacroBase = 0x1000;  // macro slot n at kMacroBase + n * kMacroSlotSize
constexpr int kMacroSlotSize = 0x100;
constexpr int kMacroSlots = (kMemorySize - kMacroBase) / kMacroSlotSize;

// Button actions (first byte of a button entry).
enum Action : uint8_t {
    kActionDisabled = 0x00,
    kActionMouse = 0x01, // p1: mouse button 1-5
    kActionKey = 0x02,   // p1: modifier bits, p2: HID key usage
    kActionDpi = 0x03,   // p1: 1 next stage, 2 previous stage
    kActionMacro = 0x04, // p1: macro slot, p2: 0 once, 1 while held, 2 toggle
    kActionMode = 0x05,  // p1: 0 next mode, 1-5 that mode
};

// Properties: numbers 0x00-0xFF, up to 64 bytes each.
constexpr int kPropCount = 256;
constexpr int kPropSize = 64;
enum Property : int {
    kPropInfo = 0x00,    // read-only: model, firmware major, minor, patch
    kPropMode = 0x10,    // active mode 0-4
    kPropDpi = 0x11,     // active stage 0-4, then five stages as 16-bit little-endian DPI
    kPropPolling = 0x12, // 1: 125 Hz, 2: 250 Hz, 3: 500 Hz, 4: 1000 Hz
    kPropLighting =
        0x13, // effect (0 off, 1 steady, 2 breathing, 3 cycle), red, green, blue, brightness 0-100, speed 1-5
    kPropLiftOff = 0x14,  // lift-off distance 1-3 mm
    kPropDebounce = 0x15, // button debounce in ms, 0-32
};

// Notifications (type, data).
enum Notify : uint8_t {
    kNotifyMode = 0x01,     // data: mode 0-4; the mouse switches and reports it
    kNotifyDpi = 0x02,      // data: stage 0-4; the mouse switches and reports it
    kNotifyIdentify = 0x03, // data ignored; the mouse blinks
};

// Data reports: 8 bytes, the first names the kind.
enum Report : uint8_t {
    kReportMode = 0x01, // byte 1: the new mode
    kReportDpi = 0x02,  // byte 1: the new stage, bytes 2-3: its DPI little-endian
};
constexpr int kReportSize = 8;

// Device events: the low 16 bits say what happened, bits 16-23 carry the device's slot in the
// configuration.
constexpr int kEventArrival = 0x8000;
constexpr int kEventRemoval = 0x8004;

// The hardware ID under which a mouse is addressed while it is in flashing mode.
constexpr const char* kLoaderHardwareId = "HID\\Vid_1e5f&Pid_7a31";

// Firmware: the data area that a flashing writes into, and its blocks.
constexpr int kFirmwareSize = 65849;
constexpr int kFirmwareBlock = 2000;

} // namespace hxsim::protocol
