#include "update/firmwareimage.h"

#include <QtEndian>

#include <zlib.h>

namespace firmwareimage {

quint32 word(const QByteArray& image, int offset)
{
    return qFromLittleEndian<quint32>(image.constData() + offset);
}

qint64 dataLength(const QByteArray& image)
{
    return qFromLittleEndian<qint64>(image.constData() + LengthOffset);
}

quint32 checkValue(const QByteArray& image)
{
    return word(image, CheckOffset);
}

quint32 crc32(const QByteArray& data)
{
    return quint32(::crc32(0L, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

QByteArray build(const QByteArray& data)
{
    QByteArray image(ImageSize, '\0');
    char* at = image.data();
    qToLittleEndian<quint32>(Magic, at);
    std::copy(data.begin(), data.begin() + qMin(data.size(), DataCapacity), at + DataOffset);
    qToLittleEndian<qint64>(qMin(data.size(), DataCapacity), at + LengthOffset);
    qToLittleEndian<quint32>(crc32(data.left(DataCapacity)), at + CheckOffset);
    return image;
}

} // namespace firmwareimage
