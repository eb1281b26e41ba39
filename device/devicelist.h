#pragma once

#include "device/hxlib.h"

#include <QString>

#include <array>
#include <cstdint>

// The device list that hxDevices fills: a 16-bit record count, then up to twenty records.
struct DeviceList {
    std::array<uint8_t, hx::kListSize> bytes{};
};

// One record's texts.
struct DeviceRecord {
    QString DeviceID;
    QString Version;
    QString SN;
    QString MASK;
    QString DevicePath;
    QString HardwareID;
};

namespace devicelist {

// The record count, bounded to what the list can hold.
int count(const DeviceList& list);
// Record `index` (0 <= index < count).
DeviceRecord record(const DeviceList& list, int index);
// The first 14 bytes of the record's Version field, up to the first zero byte.
QString versionPrefix(const DeviceList& list, int index);

} // namespace devicelist
