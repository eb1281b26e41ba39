// vesk-pack: builds update packages for the driver and shows what a package holds.
//
//   vesk-pack build [--top NAME] [--preset N] [--end-marker] FOLDER VERSION OUTPUT
//   vesk-pack list PACKAGE

#include "packagebuilder.h"

#include "update/updatepackage.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString& text)
{
    err() << "vesk-pack: " << text << Qt::endl;
    return 1;
}

int buildPackage(const QStringList& args, const QCommandLineParser& parser)
{
    if (args.size() != 4)
        return fail(QStringLiteral("build needs FOLDER VERSION OUTPUT"));
    const QString folder = args.at(1);
    if (!QFileInfo(folder).isDir())
        return fail(QStringLiteral("'%1' is not a folder").arg(folder));
    const QString top = parser.isSet(QStringLiteral("top")) ? parser.value(QStringLiteral("top"))
                                                            : QFileInfo(QDir(folder).absolutePath()).fileName();
    if (top.isEmpty() || top.contains(QLatin1Char('/')))
        return fail(QStringLiteral("the top folder name must be one path component"));
    bool presetOk = false;
    packagebuilder::Options options;
    options.preset = parser.value(QStringLiteral("preset")).toInt(&presetOk);
    if (!presetOk || options.preset < 0 || options.preset > 9)
        return fail(QStringLiteral("--preset takes 0 to 9"));
    options.endMarker = parser.isSet(QStringLiteral("end-marker"));

    QStringList unreadable;
    const QList<packagebuilder::SourceFile> files = packagebuilder::readFolder(folder, top, &unreadable);
    if (!unreadable.isEmpty())
        return fail(QStringLiteral("cannot read %1").arg(unreadable.join(QStringLiteral(", "))));
    if (files.isEmpty())
        return fail(QStringLiteral("'%1' holds no files; the driver refuses an empty update").arg(folder));
    const QByteArray payload = packagebuilder::payload(args.at(2), files);
    if (payload.size() > updatepackage::MaxPayloadSize)
        return fail(QStringLiteral("the payload of %1 bytes is larger than the driver accepts (%2)")
                        .arg(payload.size())
                        .arg(updatepackage::MaxPayloadSize));
    QByteArray properties;
    const QByteArray stream = packagebuilder::compress(payload, options, &properties);
    if (stream.isEmpty())
        return fail(QStringLiteral("the LZMA encoder failed"));

    QSaveFile output(args.at(3));
    if (!output.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write '%1'").arg(args.at(3)));
    output.write(packagebuilder::assemble(properties, payload.size(), stream));
    if (!output.commit())
        return fail(QStringLiteral("cannot write '%1'").arg(args.at(3)));
    out() << "built " << args.at(3) << ": version " << args.at(2) << ", " << files.size() << " files, "
          << payload.size() << " bytes of payload" << Qt::endl;
    return 0;
}

int listPackage(const QStringList& args)
{
    if (args.size() != 2)
        return fail(QStringLiteral("list needs PACKAGE"));
    QFile file(args.at(1));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read '%1'").arg(args.at(1)));
    const QByteArray package = file.readAll();
    QByteArray payload;
    QString failure = updatepackage::decode(package, &payload);
    updatepackage::Contents contents;
    if (failure.isEmpty())
        failure = updatepackage::parse(payload, &contents);
    if (!failure.isEmpty())
        return fail(failure);
    out() << "version: " << contents.version << Qt::endl;
    out() << "files: " << contents.files.size() << Qt::endl;
    for (const updatepackage::File& entry : contents.files)
        out() << entry.size << '\t' << entry.name << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vesk-pack"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds driver update packages and lists what they hold.\n"
                                                    "  build FOLDER VERSION OUTPUT\n"
                                                    "  list PACKAGE"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("build or list"));
    parser.addOption(
        {QStringLiteral("top"), QStringLiteral("First path component of the stored names."), QStringLiteral("name")});
    parser.addOption({QStringLiteral("preset"), QStringLiteral("Compression level 0..9 (default 6)."),
                      QStringLiteral("n"), QStringLiteral("6")});
    parser.addOption({QStringLiteral("end-marker"), QStringLiteral("End the LZMA stream with an end marker.")});
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.value(0) == QLatin1String("build"))
        return buildPackage(args, parser);
    if (args.value(0) == QLatin1String("list"))
        return listPackage(args);
    return fail(QStringLiteral("unknown command; see --help"));
}
