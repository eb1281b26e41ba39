#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The update package file: 128 reserved bytes, the SHA-1 of everything after it, the 5-byte
// LZMA properties, the payload size (signed 32-bit little-endian) and the raw LZMA stream of
// the payload. The payload is a Qt data stream (version 14): the package version, the file
// count, then name, size and data of each file.
namespace updatepackage {

constexpr int DigestOffset = 128;
constexpr int PropertiesOffset = 148;
constexpr int PayloadSizeOffset = 153;
constexpr int StreamOffset = 157;
constexpr int MinimumSize = 158;
constexpr int DataStreamVersion = 14;
// A declared payload size above this is refused before anything is allocated.
constexpr qint64 MaxPayloadSize = qint64(1) << 30;

// Result codes of the LZMA SDK's LzmaUncompress, so the log reads the same as the maker's.
enum LzmaCode { LzmaOk = 0, LzmaDataError = 1, LzmaMemError = 2, LzmaUnsupported = 4, LzmaInputEof = 6 };

struct File {
    QString name; // as stored: its first component is the package's own folder
    quint32 size = 0;
    QByteArray data; // points into the payload it was read from
};

struct Contents {
    QString version;
    QList<File> files;
};

// Checks the digest and decodes the payload. Returns an empty text on success, otherwise the
// log line that tells why the package was refused.
QString decode(const QByteArray& package, QByteArray* payload);

// Decodes a raw LZMA1 stream of known size, with or without an end marker; returns a LzmaCode.
int lzmaUncompress(const char* properties, const char* stream, size_t streamSize, char* out, size_t outSize);

// Reads the payload. Returns an empty text on success, otherwise the log line. The data of the
// files refer to `payload`, which must outlive `contents`.
QString parse(const QByteArray& payload, Contents* contents);

// The path below the unpack folder: the name without its first component.
QString relativePath(const QString& name);
// False for a path that could leave the unpack folder: ".." parts, a leading "/", a drive
// letter or a backslash (a separator where packages are also unpacked).
bool isContained(const QString& relative);

} // namespace updatepackage
