#pragma once

#include <QByteArray>
#include <QtGlobal>

// The firmware image "update.bin" (little-endian): the magic 0x1016, a zero word, 256 unused
// bytes, the firmware data, its length (signed 64-bit) and the check value the mouse verifies
// (zlib's CRC-32 of the data).
namespace firmwareimage {

constexpr int ImageSize = 67170;
constexpr quint32 Magic = 4118; // 0x1016, also the `code` of every library call
constexpr int DataOffset = 264;
constexpr int DataCapacity = 65849;
constexpr int LengthOffset = 66113;
constexpr int CheckOffset = 66121;
constexpr int BlockSize = 2000;

// The fields of a loaded image (a buffer of ImageSize bytes).
quint32 word(const QByteArray& image, int offset);
qint64 dataLength(const QByteArray& image);
quint32 checkValue(const QByteArray& image);

// A well-formed image holding `data` (at most DataCapacity bytes), padded with zeros to
// ImageSize bytes.
QByteArray build(const QByteArray& data);
quint32 crc32(const QByteArray& data);

} // namespace firmwareimage
