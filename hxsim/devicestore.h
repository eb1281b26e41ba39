#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace hxsim {

// One mouse's onboard memory, properties and firmware, kept in its own folder so they survive
// between runs. Every change is written at once (whole file, replaced atomically); a change
// that cannot be written is undone and reported as a failure.
class DeviceStore {
public:
    explicit DeviceStore(const QString& folder);

    bool read(int address, uint8_t* out, int count) const;
    bool write(int address, const uint8_t* data, int count);
    bool readProp(int property, uint8_t* out, int count) const;
    bool writeProp(int property, const uint8_t* data, int count);
    uint8_t propByte(int property, int index) const;
    bool setPropByte(int property, int index, uint8_t value);

    QByteArray firmware() const { return m_firmware; }
    bool saveFirmware(const QByteArray& image);

    // The memory and properties a new mouse leaves the factory with.
    static QByteArray factoryMemory();
    static QByteArray factoryProps();

private:
    static QByteArray load(const QString& path, int size, const QByteArray& fallback);
    static bool save(const QString& path, const QByteArray& bytes);

    QString m_folder;
    QByteArray m_memory;
    QByteArray m_props;
    QByteArray m_firmware;
};

// Whether [offset, offset + count) lies inside [0, size).
inline bool inRange(int offset, int count, int size)
{
    return offset >= 0 && count >= 0 && offset <= size && count <= size - offset;
}

} // namespace hxsim
