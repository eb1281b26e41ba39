#pragma once

#include "packagebuilder.h"
#include "update/updatepackage.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

// Packages for the tests: well-formed ones from the package builder, and broken ones made by
// writing the payload by hand or by patching a built package.
namespace packagefixture {

inline QList<packagebuilder::SourceFile> sampleFiles()
{
    return {{"pkg/Updater.exe", QByteArray(150000, 'u')},
            {"pkg/view/index.html", "<html><body>new</body></html>"},
            {"pkg/view/css/site.css", "body { color: #969696; }"}};
}

inline QByteArray package(const QByteArray& payload, bool endMarker = false)
{
    packagebuilder::Options options;
    options.endMarker = endMarker;
    QByteArray properties;
    const QByteArray stream = packagebuilder::compress(payload, options, &properties);
    return packagebuilder::assemble(properties, payload.size(), stream);
}

// A package whose declared payload size is `size`, whatever the stream holds.
inline QByteArray withDeclaredSize(const QByteArray& built, qint32 size)
{
    QByteArray properties = built.mid(updatepackage::PropertiesOffset, 5);
    return packagebuilder::assemble(properties, size, built.mid(updatepackage::StreamOffset), built.left(128));
}

// Writes a payload field by field: entries are (name, declared size, data).
struct RawPayload {
    QByteArray bytes;
    QDataStream out{&bytes, QIODevice::WriteOnly};

    RawPayload(const QString& version, quint32 count)
    {
        out.setVersion(updatepackage::DataStreamVersion);
        out << version << count;
    }
    RawPayload& file(const QString& name, quint32 size, const QByteArray& data)
    {
        out << name << size << data;
        return *this;
    }
};

} // namespace packagefixture
