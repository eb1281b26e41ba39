#include "hxsim/devicestore.h"

#include "hxsim/protocol.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <cstring>

namespace hxsim {

using namespace protocol;

namespace {
const char* const kMemoryFile = "memory.bin";
const char* const kPropsFile = "props.bin";
const char* const kFirmwareFile = "firmware.bin";
} // namespace

DeviceStore::DeviceStore(const QString& folder) : m_folder(folder)
{
    QDir().mkpath(folder);
    m_memory = load(QDir(folder).filePath(kMemoryFile), kMemorySize, factoryMemory());
    m_props = load(QDir(folder).filePath(kPropsFile), kPropCount * kPropSize, factoryProps());
    QFile fw(QDir(folder).filePath(kFirmwareFile));
    if (fw.open(QIODevice::ReadOnly))
        m_firmware = fw.read(kFirmwareSize);
}

QByteArray DeviceStore::load(const QString& path, int size, const QByteArray& fallback)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fallback;
    const QByteArray bytes = file.readAll();
    return bytes.size() == size ? bytes : fallback; // a damaged file gives factory contents
}

bool DeviceStore::save(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool DeviceStore::read(int address, uint8_t* out, int count) const
{
    if (!inRange(address, count, kMemorySize))
        return false;
    std::memcpy(out, m_memory.constData() + address, size_t(count));
    return true;
}

bool DeviceStore::write(int address, const uint8_t* data, int count)
{
    if (!inRange(address, count, kMemorySize))
        return false;
    QByteArray changed = m_memory;
    std::memcpy(changed.data() + address, data, size_t(count));
    if (!save(QDir(m_folder).filePath(kMemoryFile), changed))
        return false;
    m_memory = changed;
    return true;
}

bool DeviceStore::readProp(int property, uint8_t* out, int count) const
{
    if (property < 0 || property >= kPropCount || !inRange(0, count, kPropSize))
        return false;
    std::memcpy(out, m_props.constData() + property * kPropSize, size_t(count));
    return true;
}

bool DeviceStore::writeProp(int property, const uint8_t* data, int count)
{
    if (property < 0 || property >= kPropCount || !inRange(0, count, kPropSize))
        return false;
    QByteArray changed = m_props;
    std::memcpy(changed.data() + property * kPropSize, data, size_t(count));
    if (!save(QDir(m_folder).filePath(kPropsFile), changed))
        return false;
    m_props = changed;
    return true;
}

uint8_t DeviceStore::propByte(int property, int index) const
{
    return uint8_t(m_props.at(property * kPropSize + index));
}

bool DeviceStore::setPropByte(int property, int index, uint8_t value)
{
    uint8_t bytes[kPropSize];
    readProp(property, bytes, kPropSize);
    bytes[index] = value;
    return writeProp(property, bytes, kPropSize);
}

bool DeviceStore::saveFirmware(const QByteArray& image)
{
    if (!save(QDir(m_folder).filePath(kFirmwareFile), image))
        return false;
    m_firmware = image;
    return true;
}

QByteArray DeviceStore::factoryMemory()
{
    QByteArray memory(kMemorySize, '\0');
    // Every mode: buttons 1-5 click, 6 and 7 step the DPI, 8 steps the mode.
    const uint8_t buttons[kButtonCount][kButtonEntrySize] = {
        {kActionMouse, 1, 0, 0}, {kActionMouse, 2, 0, 0}, {kActionMouse, 3, 0, 0}, {kActionMouse, 4, 0, 0},
        {kActionMouse, 5, 0, 0}, {kActionDpi, 1, 0, 0},   {kActionDpi, 2, 0, 0},   {kActionMode, 0, 0, 0},
    };
    for (int mode = 0; mode < kModeCount; ++mode)
        std::memcpy(memory.data() + kButtonMapBase + mode * kButtonMapStride, buttons, sizeof buttons);
    return memory;
}

QByteArray DeviceStore::factoryProps()
{
    QByteArray props(kPropCount * kPropSize, '\0');
    auto set = [&](int property, std::initializer_list<uint8_t> bytes) {
        int i = 0;
        for (uint8_t b : bytes)
            props[property * kPropSize + i++] = char(b);
    };
    set(kPropInfo, {0x01, 1, 2, 0});
    // Stages 400, 800, 1600, 3200, 6400 DPI; stage 1 active.
    set(kPropDpi, {1, 0x90, 0x01, 0x20, 0x03, 0x40, 0x06, 0x80, 0x0C, 0x00, 0x19});
    set(kPropPolling, {4});
    set(kPropLighting, {1, 0xFF, 0x30, 0x00, 80, 3});
    set(kPropLiftOff, {2});
    set(kPropDebounce, {4});
    return props;
}

} // namespace hxsim
