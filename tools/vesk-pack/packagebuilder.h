#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Builds update packages in the program's package format (see update/updatepackage.h).
namespace packagebuilder {

struct SourceFile {
    QString name; // stored name: its first component is the package folder
    QByteArray data;
};

struct Options {
    int preset = 6;         // xz compression level 0..9
    bool endMarker = false; // the maker's encoder writes none
    QByteArray reserved;    // the 128 leading bytes; zero-filled or cut to 128
};

// The payload: version, file count, then name, size and data of each file (data stream 14).
QByteArray payload(const QString& version, const QList<SourceFile>& files);

// Compresses `payload` as a raw LZMA1 stream. Fills the 5 property bytes; returns an empty
// array when the encoder fails.
QByteArray compress(const QByteArray& payload, const Options& options, QByteArray* properties);

// Header, SHA-1 and stream around an already compressed payload.
QByteArray assemble(const QByteArray& properties, qint32 payloadSize, const QByteArray& stream,
                    const QByteArray& reserved = QByteArray());

// The whole package; empty when compression fails.
QByteArray build(const QString& version, const QList<SourceFile>& files, const Options& options = Options());

// Every regular file below `folder`, named "<top>/<path below folder>", in path order. Files
// that cannot be read are listed in `unreadable`.
QList<SourceFile> readFolder(const QString& folder, const QString& top, QStringList* unreadable);

} // namespace packagebuilder
