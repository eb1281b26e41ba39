#include "update/updatepackage.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QIODevice>
#include <QStringList>
#include <QtEndian>

#include <lzma.h>

#include <cstdlib>

namespace updatepackage {

int lzmaUncompress(const char* properties, const char* stream, size_t streamSize, char* out, size_t outSize)
{
    lzma_filter filters[2];
    filters[0].id = LZMA_FILTER_LZMA1;
    filters[0].options = nullptr;
    if (lzma_properties_decode(&filters[0], nullptr, reinterpret_cast<const uint8_t*>(properties), 5) != LZMA_OK)
        return LzmaUnsupported;
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    // No match reaches further back than the payload is long, so a larger window is never
    // needed; this also keeps a forged dictionary size from costing memory.
    const size_t window = qMax<size_t>(4096, outSize);
    if (options->dict_size > window)
        options->dict_size = static_cast<uint32_t>(window);
    // The maker's encoder writes no end marker: the stream ends at the declared size. An end
    // marker right there is accepted as well.
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    lzma_set_ext_size(*options, outSize);
    filters[1].id = LZMA_VLI_UNKNOWN;
    filters[1].options = nullptr;

    lzma_stream strm = LZMA_STREAM_INIT;
    lzma_ret ret = lzma_raw_decoder(&strm, filters);
    std::free(options);
    if (ret != LZMA_OK)
        return ret == LZMA_MEM_ERROR ? LzmaMemError : LzmaUnsupported;
    strm.next_in = reinterpret_cast<const uint8_t*>(stream);
    strm.avail_in = streamSize;
    strm.next_out = reinterpret_cast<uint8_t*>(out);
    strm.avail_out = outSize;
    ret = lzma_code(&strm, LZMA_FINISH);
    const bool complete = strm.total_out == outSize;
    lzma_end(&strm);
    switch (ret) {
    case LZMA_STREAM_END: return complete ? LzmaOk : LzmaDataError;
    case LZMA_MEM_ERROR: return LzmaMemError;
    case LZMA_OPTIONS_ERROR: return LzmaUnsupported;
    case LZMA_DATA_ERROR: return LzmaDataError;
    default: return LzmaInputEof; // the input ran out before the payload was complete
    }
}

QString decode(const QByteArray& package, QByteArray* payload)
{
    payload->clear();
    if (package.size() < MinimumSize)
        return QStringLiteral("Update Error: update file is too short!");
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromRawData(package.constData() + PropertiesOffset, package.size() - PropertiesOffset),
        QCryptographicHash::Sha1);
    if (digest != package.mid(DigestOffset, 20))
        return QStringLiteral("Update Error: bad SHA1 hash of update file!");

    const qint32 size = qFromLittleEndian<qint32>(package.constData() + PayloadSizeOffset);
    if (size < 0 || size > MaxPayloadSize)
        return QStringLiteral("Update Error: bad payload size %1 in update file!").arg(size);
    if (size == 0)
        return QString(); // nothing to decode; reading the empty payload fails later
    QByteArray out(size, Qt::Uninitialized);
    if (out.size() != size)
        return QStringLiteral("Update Error: could not uncompress lzma, code: %1").arg(int(LzmaMemError));
    const int code = lzmaUncompress(package.constData() + PropertiesOffset, package.constData() + StreamOffset,
                                    size_t(package.size() - StreamOffset), out.data(), size_t(size));
    if (code != LzmaOk)
        return QStringLiteral("Update Error: could not uncompress lzma, code: %1").arg(code);
    *payload = out;
    return QString();
}

namespace {

// Reads a byte array as a view into the stream's buffer instead of a copy: a payload may hold
// files of hundreds of megabytes.
QByteArray readDataView(QDataStream& in, const QByteArray& payload)
{
    quint32 length = 0;
    in >> length;
    if (in.status() != QDataStream::Ok || length == 0xFFFFFFFFu)
        return QByteArray();
    const qint64 position = in.device()->pos();
    if (length > quint64(payload.size() - position)) {
        in.setStatus(QDataStream::ReadPastEnd);
        return QByteArray();
    }
    in.skipRawData(int(length));
    return QByteArray::fromRawData(payload.constData() + position, int(length));
}

} // namespace

QString parse(const QByteArray& payload, Contents* contents)
{
    *contents = Contents();
    QDataStream in(payload);
    in.setVersion(DataStreamVersion);
    in >> contents->version;
    if (in.status() != QDataStream::Ok)
        return QStringLiteral("Update Error: cant read version from downloaded stream, status: %1").arg(in.status());
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return QStringLiteral("Update Error: cant read files count from downloaded stream, status: %1")
            .arg(in.status());
    if (count == 0)
        return QStringLiteral("Update Error: update is empty!");
    for (quint32 i = 0; i < count; ++i) {
        File file;
        in >> file.name >> file.size;
        if (in.status() == QDataStream::Ok)
            file.data = readDataView(in, payload);
        if (in.status() != QDataStream::Ok)
            return QStringLiteral("Update Error: cant read file from downloaded stream, status: %1").arg(in.status());
        if (file.size != quint32(file.data.size()))
            return QStringLiteral("Update Error: bad file size %1 not matching data size %2")
                .arg(file.size)
                .arg(file.data.size());
        if (!isContained(relativePath(file.name)))
            return QStringLiteral("Update Error: file name '%1' leaves the update folder").arg(file.name);
        contents->files.append(file);
    }
    return QString();
}

QString relativePath(const QString& name)
{
    QStringList parts = name.split(QLatin1Char('/'));
    parts.removeFirst();
    return parts.join(QLatin1Char('/'));
}

bool isContained(const QString& relative)
{
    if (relative.startsWith(QLatin1Char('/')) || relative.contains(QLatin1Char('\\')) ||
        relative.contains(QLatin1Char(':')))
        return false;
    const QStringList parts = relative.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral(".."));
}

} // namespace updatepackage
