#include "bridge/profilefile.h"

#include <QDataStream>
#include <QFile>
#include <QSaveFile>

namespace profilefile {
namespace {

std::optional<QByteArray> readFrom(QIODevice& device)
{
    QDataStream in(&device);
    in.setVersion(QDataStream::Qt_5_1);
    quint32 magic = 0;
    in >> magic;
    if (in.status() != QDataStream::Ok || magic != kMagic)
        return std::nullopt;
    // A length past the end of the file leaves the stream short, not a huge allocation:
    // the data stream reads a byte array in chunks.
    QByteArray base64;
    in >> base64;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(base64, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

} // namespace

QByteArray encode(const QByteArray& xmlUtf8)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_1);
    out << kMagic << xmlUtf8.toBase64();
    return bytes;
}

bool write(const QString& path, const QByteArray& xmlUtf8)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encode(xmlUtf8);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

std::optional<QByteArray> read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return readFrom(file);
}

} // namespace profilefile
