#pragma once

// The device-access library's binary contract (libhx.dll on Windows, libhx.so here): the
// exports the program calls, their argument order, buffer sizes and callback shapes. Plain C
// types only, so the library and the program agree without sharing anything else.

#include <cstdint>

namespace hx {

constexpr int kCode = 4118;                     // the `code` argument of every per-device call (0x1016)
constexpr int kTransferSize = 2048;             // read, write and firmware block buffers
constexpr int kListSize = 42102;                // the device list filled by hxDevices
constexpr int kRecordSize = 2105;               // one device record inside the list
constexpr int kMaxRecords = 20;                 // records the list can hold
constexpr uint32_t kSelectDevice = 0xFFA00001u; // first selection word: devices in normal mode
constexpr uint32_t kSelectLoader = 0xFFAA0001u; // second selection word: devices in flashing mode

// Offsets of the fields inside a device record. 8-bit texts end at their first zero byte or at
// their width; UTF-16 texts end at their first zero unit.
namespace record {
constexpr int kDeviceId = 0, kDeviceIdSize = 40;
constexpr int kVersion = 40, kVersionSize = 17;
constexpr int kSerial = 57, kSerialSize = 14;
constexpr int kMask = 71, kMaskSize = 2;
constexpr int kDevicePath = 1085, kHardwareId = 1595, kWideSize = 510;
} // namespace record

} // namespace hx

extern "C" {

struct HxSelection {
    uint32_t words[20];
};

struct HxNotifyBytes {
    uint8_t type;
    uint8_t data;
};

// What the data callback receives: the report bytes (at least 8) and their number.
struct HxDataReport {
    const uint8_t* data;
    int length;
};

typedef bool (*HxEventCallback)(int code);
typedef bool (*HxDataCallback)(const HxDataReport* report, void* unused);

typedef int (*HxDevicesFn)(HxSelection selection, uint8_t* list, int size);
typedef void (*HxOnDeviceEventFn)(HxEventCallback* callback);
typedef void (*HxOnDeviceDataFn)(const char16_t* hardwareId, const char16_t* devicePath, int code,
                                 HxDataCallback* callback);
typedef int (*HxReadPropFn)(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count,
                            int property);
typedef int (*HxWritePropFn)(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count,
                             int property);
typedef int (*HxReadFn)(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count, int address);
typedef int (*HxWriteFn)(const char16_t* id, const char16_t* key, int code, uint8_t* buffer, int count, int address);
typedef int (*HxNotifyFn)(const char16_t* id, const char16_t* key, int code, HxNotifyBytes bytes, uint8_t* status,
                          int reserved);
typedef int (*HxDeviceExistFn)(const char16_t* id);
typedef int (*HxResetFn)(const char16_t* id, const char16_t* key, int code, uint16_t mode, uint8_t* status,
                         int reserved);
typedef int (*HxEraseRomFn)(const char16_t* id, const char16_t* key, int code);
typedef int (*HxBornRomFn)(const char16_t* id, const char16_t* key, int code, uint8_t* block, int count, int offset);
typedef int (*HxCheckRomFn)(const char16_t* id, const char16_t* key, int code, int length, uint32_t check);
typedef int (*HxFinishUpdateRomFn)(const char16_t* id, const char16_t* key, int code);

} // extern "C"
