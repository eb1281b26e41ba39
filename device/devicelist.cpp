#include "device/devicelist.h"

#include <cstring>

namespace devicelist {

namespace {

const uint8_t* recordAt(const DeviceList& list, int index)
{
    return list.bytes.data() + 2 + index * hx::kRecordSize;
}

QString narrow(const uint8_t* at, int width)
{
    const auto* begin = reinterpret_cast<const char*>(at);
    const void* zero = std::memchr(begin, 0, size_t(width));
    const int length = zero ? int(static_cast<const char*>(zero) - begin) : width;
    return QString::fromUtf8(begin, length);
}

QString wide(const uint8_t* at)
{
    QString text;
    for (int i = 0; i + 1 < hx::record::kWideSize; i += 2) {
        const char16_t unit = char16_t(at[i] | (at[i + 1] << 8));
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

} // namespace

int count(const DeviceList& list)
{
    const int n = list.bytes[0] | (list.bytes[1] << 8);
    return qMin(n, hx::kMaxRecords);
}

DeviceRecord record(const DeviceList& list, int index)
{
    using namespace hx::record;
    const uint8_t* r = recordAt(list, index);
    DeviceRecord d;
    d.DeviceID = narrow(r + kDeviceId, kDeviceIdSize);
    d.Version = narrow(r + kVersion, kVersionSize);
    d.SN = narrow(r + kSerial, kSerialSize);
    d.MASK = narrow(r + kMask, kMaskSize);
    d.DevicePath = wide(r + kDevicePath);
    d.HardwareID = wide(r + kHardwareId);
    return d;
}

QString versionPrefix(const DeviceList& list, int index)
{
    return narrow(recordAt(list, index) + hx::record::kVersion, 14);
}

} // namespace devicelist
