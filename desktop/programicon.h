#pragma once

#include <QByteArray>
#include <QString>

// Icons of the programs the user picks, written under the page bundle's "view/icon/" so the
// page can show them.
namespace programicon {

// The icon file's name: the picked file's name (after its last native separator) with every
// ".exe" replaced by ".png" (case-sensitive).
QString iconFileName(const QString& nativePath);

// The icon of a file as .ico bytes: a Windows program's own (the largest image of its first
// icon group), otherwise the desktop's icon for the file's type. Empty when there is none.
QByteArray iconOf(const QString& path);

} // namespace programicon

// Sets `iconPath` to the application directory + "/view/icon/" + the icon file name (always)
// and writes the file's icon there when it can. The folder is not created.
void extractProgramIcon(const QString& exePath, QString& iconPath);

// Writes .ico bytes to `path`; nothing happens for empty bytes or an empty path, and a write
// that fails leaves the old file as it was.
void saveIconFile(const QByteArray& icon, const QString& path);
