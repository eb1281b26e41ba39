#include "update/updaterhandoff.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/updatefolders.h"
#include "update/updaterlaunch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool updaterPending = false;
bool updaterNeedsElevation = false;

namespace {

QString readyFolder()
{
    return cefApplication::workDir + QStringLiteral("tupdates/client/ready");
}

QString packagedUpdater()
{
    return readyFolder() + QStringLiteral("/Updater.exe");
}

QString placedUpdater()
{
    return cefApplication::exeDir + QStringLiteral("Updater.exe");
}

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

bool placeUpdater()
{
    if (!QFileInfo(readyFolder()).isDir())
        return false;
    const QString source = packagedUpdater();
    if (!QFileInfo::exists(source))
        return true;
    switch (updaterlaunch::copyFile(local(QFileInfo(source).absoluteFilePath()), local(placedUpdater()))) {
    case updaterlaunch::CopyResult::Copied:
        if (QFile::remove(source))
            return true;
        clearClientUpdates();
        return false;
    case updaterlaunch::CopyResult::AccessDenied:
        updaterNeedsElevation = true;
        // It is started from where it was unpacked, and unpacked files carry no executable bit.
        updaterlaunch::makeExecutable(local(source));
        return true;
    case updaterlaunch::CopyResult::Failed: break;
    }
    clearClientUpdates();
    return false;
}

void launchUpdater()
{
    const QString file = QDir::toNativeSeparators(updaterNeedsElevation ? packagedUpdater() : placedUpdater());
    const QString workDir = QDir::toNativeSeparators(cefApplication::workDir);
    const QString argument = QStringLiteral("-update");
    applog::info("pspecific_wnd", QStringLiteral("Application Info: executing %1 %2").arg(placedUpdater(), argument));
    const int result = updaterlaunch::start(local(file), argument.toStdString(), local(workDir), updaterNeedsElevation);
    if (result >= 32)
        return;
    applog::info("pspecific_wnd", QStringLiteral("Application Error: failed to execute %1, working directory: '%2', "
                                                 "result: %3")
                                      .arg(file, workDir)
                                      .arg(result));
    deleteFolder(readyFolder());
}
