// vesk-fwimage: builds the firmware image the driver writes into the mouse, and shows what an
// image holds.
//
//   vesk-fwimage build DATA OUTPUT    DATA: the firmware bytes (at most 65849)
//   vesk-fwimage show IMAGE

#include "update/firmwareimage.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace {

int fail(const QString& text)
{
    QTextStream(stderr) << "vesk-fwimage: " << text << Qt::endl;
    return 1;
}

int build(const QString& dataPath, const QString& outputPath)
{
    QFile data(dataPath);
    if (!data.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read '%1'").arg(dataPath));
    const QByteArray bytes = data.read(firmwareimage::DataCapacity + 1);
    if (bytes.size() > firmwareimage::DataCapacity)
        return fail(QStringLiteral("'%1' is larger than the mouse's %2 bytes of firmware memory")
                        .arg(dataPath)
                        .arg(firmwareimage::DataCapacity));
    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly) || output.write(firmwareimage::build(bytes)) != firmwareimage::ImageSize ||
        !output.commit())
        return fail(QStringLiteral("cannot write '%1'").arg(outputPath));
    QTextStream(stdout) << "built " << outputPath << ": " << bytes.size() << " bytes of firmware, check value "
                        << QString::number(firmwareimage::crc32(bytes), 16).rightJustified(8, QLatin1Char('0'))
                        << Qt::endl;
    return 0;
}

int show(const QString& imagePath)
{
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read '%1'").arg(imagePath));
    QByteArray image = file.read(firmwareimage::ImageSize + 1);
    const int size = image.size();
    image.append(QByteArray(qMax(0, firmwareimage::ImageSize - size), '\0'));
    QTextStream out(stdout);
    out << "size: " << size << (size > firmwareimage::ImageSize ? " (too long)" : "") << Qt::endl;
    out << "magic: " << firmwareimage::word(image, 0) << Qt::endl;
    out << "second word: " << firmwareimage::word(image, 4) << Qt::endl;
    out << "data length: " << firmwareimage::dataLength(image) << Qt::endl;
    out << "check value: " << QString::number(firmwareimage::checkValue(image), 16).rightJustified(8, QLatin1Char('0'))
        << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args.at(0) == QLatin1String("build"))
        return build(args.at(1), args.at(2));
    if (args.size() == 2 && args.at(0) == QLatin1String("show"))
        return show(args.at(1));
    return fail(QStringLiteral("usage: vesk-fwimage build DATA OUTPUT | vesk-fwimage show IMAGE"));
}
