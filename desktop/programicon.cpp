#include "desktop/programicon.h"

#include "desktop/icofile.h"
#include "desktop/peicon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>

namespace programicon {
namespace {

// The shell's large icon size.
constexpr int kDesktopIconSize = 32;

QByteArray toBytes(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

QByteArray programIcon(QFile& file)
{
    if (file.size() <= 0)
        return QByteArray();
    // Mapped, not read: a picked program may be large, and only a few pages are looked at.
    const uchar* data = file.map(0, file.size());
    if (!data)
        return QByteArray();
    const std::optional<icofile::Image> image =
        peicon::firstGroupLargestIcon(data, static_cast<std::size_t>(file.size()));
    file.unmap(const_cast<uchar*>(data));
    return image ? toBytes(icofile::write(*image)) : QByteArray();
}

QByteArray desktopIcon(const QFileInfo& info)
{
    const QIcon icon = QFileIconProvider().icon(info);
    QImage image = icon.pixmap(kDesktopIconSize, kDesktopIconSize).toImage();
    if (image.isNull())
        return QByteArray();
    image = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        pixels.insert(pixels.end(), row, row + image.width());
    }
    return toBytes(icofile::write(icofile::fromArgb(image.width(), image.height(), pixels.data())));
}

} // namespace

QString iconFileName(const QString& nativePath)
{
    QString name = nativePath.mid(nativePath.lastIndexOf(QDir::separator()) + 1);
    name.replace(QLatin1String(".exe"), QLatin1String(".png"), Qt::CaseSensitive);
    return name;
}

QByteArray iconOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QByteArray();
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray own = programIcon(file);
        if (!own.isEmpty())
            return own;
    }
    return desktopIcon(info);
}

} // namespace programicon

void extractProgramIcon(const QString& exePath, QString& iconPath)
{
    iconPath =
        QCoreApplication::applicationDirPath() + QStringLiteral("/view/icon/") + programicon::iconFileName(exePath);
    saveIconFile(programicon::iconOf(exePath), iconPath);
}

void saveIconFile(const QByteArray& icon, const QString& path)
{
    if (icon.isEmpty() || path.isEmpty())
        return;
    QSaveFile file(path);
    // QSaveFile does not create the folder either.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    if (file.write(icon) != icon.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}
