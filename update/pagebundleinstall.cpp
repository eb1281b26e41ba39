#include "update/pagebundleinstall.h"

#include "app/cefapplication.h"
#include "update/updatefolders.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QQueue>
#include <QSaveFile>
#include <QThread>

namespace pagebundle {
namespace {

constexpr int AttemptsPerRound = 30;
constexpr int RetryPauseMs = 100;

bool askRetry(const QString& destination)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Update error!"), inaccessibleText(destination),
                    QMessageBox::Retry | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Retry;
}

AccessPrompt& prompt()
{
    static AccessPrompt current = askRetry;
    return current;
}

QString sourceRoot()
{
    return QDir::toNativeSeparators(cefApplication::workDir + QStringLiteral("tupdates/html/ready"));
}

QString destinationRoot()
{
    return QDir::toNativeSeparators(cefApplication::workDir + QStringLiteral("view/"));
}

// Replaces the destination whole or not at all: a half-written page file would break the page.
bool copyOnce(const QString& source, const QString& destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError || out.write(data) != data.size())
        return false;
    const QFile::Permissions permissions = in.permissions();
    if (!out.commit())
        return false;
    QFile::setPermissions(destination, permissions);
    return true;
}

bool copyWithRetries(const QString& source, const QString& destination)
{
    for (;;) {
        for (int attempt = 0; attempt < AttemptsPerRound; ++attempt) {
            if (copyOnce(source, destination))
                return true;
            QThread::msleep(RetryPauseMs);
        }
        if (!prompt()(destination))
            return false;
    }
}

struct CopyPlan {
    QStringList folders;
    QList<QPair<QString, QString>> files;
};

enum class Walk { Planned, NoBundle, Failed };

// Breadth-first over the unpacked bundle: the folders to create in order, then the files.
Walk plan(CopyPlan* out)
{
    const QString root = sourceRoot();
    const QString target = destinationRoot();
    const QDir rootDir(root);
    if (!QFileInfo(root).isDir())
        return QFileInfo::exists(root) ? Walk::Failed : Walk::NoBundle;
    // The page folder itself is made too, should it be missing.
    out->folders << target;
    QQueue<QString> queue;
    queue.enqueue(root);
    while (!queue.isEmpty()) {
        const QString folder = queue.dequeue();
        const QString relative = rootDir.relativeFilePath(folder);
        if (folder != root)
            out->folders << target + relative + QDir::separator();
        const QDir dir(folder);
        if (!dir.isReadable())
            return Walk::Failed;
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString path = QDir::toNativeSeparators(entry.filePath());
            if (entry.isDir())
                queue.enqueue(path);
            else
                out->files.append({path, target + QDir::toNativeSeparators(rootDir.relativeFilePath(path))});
        }
    }
    return Walk::Planned;
}

} // namespace

void setAccessPrompt(AccessPrompt replacement)
{
    prompt() = replacement ? std::move(replacement) : AccessPrompt(askRetry);
}

QString inaccessibleText(const QString& destination)
{
    return QStringLiteral("Failed to update vesk :(\n%1 is not accessible.").arg(destination);
}

} // namespace pagebundle

bool installPageBundle()
{
    using namespace pagebundle;
    CopyPlan copy;
    switch (plan(&copy)) {
    case Walk::NoBundle: return true;
    case Walk::Failed: removePageBundleSource(); return false;
    case Walk::Planned: break;
    }
    for (const QString& folder : copy.folders) {
        // Something of that name already there is no error, even a file; copying into it fails.
        if (!QDir().mkdir(folder) && !QFileInfo::exists(QDir::cleanPath(folder))) {
            removePageBundleSource();
            return false;
        }
    }
    for (const auto& file : copy.files) {
        if (!copyWithRetries(file.first, file.second)) {
            removePageBundleSource();
            return false;
        }
    }
    removePageBundleSource();
    return true;
}

void removePageBundleSource()
{
    deleteFolder(cefApplication::workDir + QStringLiteral("tupdates/html/ready"));
    QDir().rmdir(cefApplication::workDir + QStringLiteral("tupdates"));
}
