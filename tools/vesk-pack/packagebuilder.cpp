#include "packagebuilder.h"

#include "update/updatepackage.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <lzma.h>

#include <algorithm>

namespace packagebuilder {

QByteArray payload(const QString& version, const QList<SourceFile>& files)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(updatepackage::DataStreamVersion);
    out << version << quint32(files.size());
    for (const SourceFile& file : files)
        out << file.name << quint32(file.data.size()) << file.data;
    return bytes;
}

QByteArray compress(const QByteArray& payload, const Options& options, QByteArray* properties)
{
    lzma_options_lzma lzma;
    if (lzma_lzma_preset(&lzma, uint32_t(options.preset)))
        return QByteArray();
    // A window larger than the payload buys nothing and costs the decoder memory.
    lzma.dict_size = std::max<uint32_t>(LZMA_DICT_SIZE_MIN, std::min<uint32_t>(lzma.dict_size, payload.size()));
    lzma.ext_flags = options.endMarker ? LZMA_LZMA1EXT_ALLOW_EOPM : 0;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};

    lzma_stream strm = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&strm, filters) != LZMA_OK)
        return QByteArray();
    // Raw LZMA1 grows incompressible data by well under one part in sixteen.
    QByteArray stream(payload.size() + payload.size() / 16 + 4096, Qt::Uninitialized);
    strm.next_in = reinterpret_cast<const uint8_t*>(payload.constData());
    strm.avail_in = size_t(payload.size());
    strm.next_out = reinterpret_cast<uint8_t*>(stream.data());
    strm.avail_out = size_t(stream.size());
    const lzma_ret ret = lzma_code(&strm, LZMA_FINISH);
    stream.resize(int(strm.total_out));
    lzma_end(&strm);
    if (ret != LZMA_STREAM_END)
        return QByteArray();

    // The standard 5-byte LZMA properties: lc/lp/pb in one byte, then the window size.
    properties->resize(5);
    (*properties)[0] = char((lzma.pb * 5 + lzma.lp) * 9 + lzma.lc);
    qToLittleEndian<quint32>(lzma.dict_size, properties->data() + 1);
    return stream;
}

QByteArray assemble(const QByteArray& properties, qint32 payloadSize, const QByteArray& stream,
                    const QByteArray& reserved)
{
    QByteArray body = properties;
    body.resize(5);
    QByteArray size(4, '\0');
    qToLittleEndian<qint32>(payloadSize, size.data());
    body += size + stream;

    QByteArray package = reserved.left(updatepackage::DigestOffset);
    package.append(updatepackage::DigestOffset - package.size(), '\0');
    package += QCryptographicHash::hash(body, QCryptographicHash::Sha1);
    package += body;
    return package;
}

QByteArray build(const QString& version, const QList<SourceFile>& files, const Options& options)
{
    const QByteArray bytes = payload(version, files);
    QByteArray properties;
    const QByteArray stream = compress(bytes, options, &properties);
    if (stream.isEmpty())
        return QByteArray();
    return assemble(properties, bytes.size(), stream, options.reserved);
}

QList<SourceFile> readFolder(const QString& folder, const QString& top, QStringList* unreadable)
{
    const QDir root(QDir(folder).absolutePath());
    QStringList paths;
    QDirIterator it(root.absolutePath(), QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << root.relativeFilePath(it.next());
    paths.sort();
    QList<SourceFile> files;
    for (const QString& path : paths) {
        QFile file(root.filePath(path));
        if (!file.open(QIODevice::ReadOnly)) {
            unreadable->append(path);
            continue;
        }
        files.append({top + QLatin1Char('/') + path, file.readAll()});
    }
    return files;
}

} // namespace packagebuilder
