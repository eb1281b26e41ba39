#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The profile file (".pfd"): a Qt data stream (version Qt_5_1) holding the magic number
// 0x0A0B0C0D and, as a byte array, the Base64 text of an exported XML document.
namespace profilefile {

constexpr quint32 kMagic = 0x0A0B0C0D;

// The bytes of a profile file holding `xmlUtf8`.
QByteArray encode(const QByteArray& xmlUtf8);

// Writes the profile file beside `path` and renames it over it, so a failed write keeps the
// old file whole. False when the file cannot be written.
bool write(const QString& path, const QByteArray& xmlUtf8);
// The XML text of the profile file at `path`; nothing when it cannot be opened, is cut short,
// has another magic number or holds invalid Base64.
std::optional<QByteArray> read(const QString& path);

} // namespace profilefile
