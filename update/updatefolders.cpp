#include "update/updatefolders.h"

#include "app/cefapplication.h"

#include <QDir>

void clearClientUpdates()
{
    deleteFolder(cefApplication::workDir + QStringLiteral("tupdates/client"));
}

void deleteFolder(const QString& path)
{
    QDir(QDir::toNativeSeparators(path)).removeRecursively();
}
