#include "update/packageunpacker.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/updatefolders.h"
#include "update/updatepackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void logLine(const QString& text)
{
    applog::info("pspecific_wnd", text);
}

// A package that cannot be unpacked is dropped, so the next attempt fetches it anew instead of
// resuming a file that will never verify.
bool refuse(const QString& downloadPath, const QString& logText)
{
    if (!logText.isEmpty())
        logLine(logText);
    clearClientUpdates();
    QFile::remove(downloadPath);
    return false;
}

void makeParentFolders(const QString& tempDir, const QString& relative)
{
    QStringList parts = relative.split(QLatin1Char('/'));
    parts.removeLast();
    QString folder = tempDir;
    for (const QString& part : parts) {
        folder += QLatin1Char('/') + part;
        if (!QDir(folder).exists())
            QDir().mkdir(folder);
    }
}

} // namespace

bool unpackPackage(const QString& downloadPath, const QString& kind, QString* version)
{
    QFile file(downloadPath);
    if (!file.open(QIODevice::ReadOnly)) {
        logLine(QStringLiteral("Update Erro: cant read updates file!"));
        clearClientUpdates();
        return false;
    }
    const QByteArray package = file.readAll();
    file.close();
    if (package.size() < updatepackage::MinimumSize)
        return refuse(downloadPath, QString());

    const QString kindDir = cefApplication::workDir + QStringLiteral("tupdates/") + kind;
    const QString tempDir = kindDir + QStringLiteral("/temp");
    const QString readyDir = kindDir + QStringLiteral("/ready");
    deleteFolder(tempDir);
    deleteFolder(readyDir);
    if (QFileInfo::exists(tempDir) || QFileInfo::exists(readyDir)) {
        clearClientUpdates();
        return false;
    }

    QByteArray payload;
    QString failure = updatepackage::decode(package, &payload);
    if (!failure.isEmpty())
        return refuse(downloadPath, failure);

    QDir().mkdir(tempDir);
    updatepackage::Contents contents;
    failure = updatepackage::parse(payload, &contents);
    if (!failure.isEmpty())
        return refuse(downloadPath, failure);

    for (const updatepackage::File& entry : contents.files) {
        const QString relative = updatepackage::relativePath(entry.name);
        const QString shownPath = tempDir + QLatin1Char('/') + entry.name;
        if (entry.name.contains(QLatin1Char('/')))
            makeParentFolders(tempDir, relative);
        QFile out(tempDir + QLatin1Char('/') + relative);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return refuse(downloadPath, QStringLiteral("Update Error: cant open file '%1' for writing").arg(shownPath));
        const qint64 written = out.write(entry.data);
        const bool flushed = out.flush(); // a full disk shows only here
        out.close();
        if (written < qint64(entry.size) || !flushed)
            return refuse(downloadPath, QStringLiteral("Update Error: cant write file '%1'").arg(shownPath));
    }

    const QString tempPath = QFileInfo(tempDir).absoluteFilePath();
    const QString readyPath = QFileInfo(readyDir).absoluteFilePath();
    if (!QDir().rename(tempPath, readyPath))
        return refuse(
            downloadPath,
            QStringLiteral("Update Error: cant rename temp dir '%1' to ready dir '%2'").arg(tempPath, readyPath));

    if (!QFile::remove(downloadPath))
        return false;
    *version = contents.version;
    return true;
}
