#include "desktop/peicon.h"
#include "desktop/programicon.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fixture(const char* name)
{
    return QStringLiteral(PROGRAMICON_FIXTURES "/") + QLatin1String(name);
}

struct IcoEntry {
    int width;
    int height;
    int bitCount;
    QByteArray image;
};

// The images of an .ico file, as the format lays them out.
QList<IcoEntry> icoEntries(const QByteArray& ico)
{
    QList<IcoEntry> entries;
    if (ico.size() < 6)
        return entries;
    const auto* bytes = reinterpret_cast<const uchar*>(ico.constData());
    if (qFromLittleEndian<quint16>(bytes) != 0 || qFromLittleEndian<quint16>(bytes + 2) != 1)
        return entries;
    const int count = qFromLittleEndian<quint16>(bytes + 4);
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
        const uchar* entry = bytes + 6 + 16 * i;
        const quint32 size = qFromLittleEndian<quint32>(entry + 8);
        const quint32 offset = qFromLittleEndian<quint32>(entry + 12);
        entries.append({entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256, qFromLittleEndian<quint16>(entry + 6),
                        ico.mid(int(offset), int(size))});
    }
    return entries;
}

QImage decodeIco(const QByteArray& ico)
{
    QBuffer buffer;
    buffer.setData(ico);
    QImageReader reader(&buffer, "ico");
    return reader.read();
}

std::optional<icofile::Image> iconOfBytes(const QByteArray& bytes)
{
    return peicon::firstGroupLargestIcon(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size()));
}

} // namespace

class ProgramIconTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void iconFileName_data();
    void iconFileName();
    void programsOwnIcon_data();
    void programsOwnIcon();
    void otherFilesGetTheDesktopIcon();
    void sameNameOverwrites();
    void missingIconFolder();
    void missingFile();
    void truncatedPrograms();
    void mutatedPrograms();
    void hostileHeaders_data();
    void hostileHeaders();

private:
    QString m_iconFolder;
    bool m_createdView = false;
    bool m_createdIcon = false;
    QTemporaryDir m_temp;
};

void ProgramIconTest::initTestCase()
{
    QVERIFY(m_temp.isValid());
    const QString view = QCoreApplication::applicationDirPath() + QStringLiteral("/view");
    m_iconFolder = view + QStringLiteral("/icon");
    m_createdView = !QFileInfo::exists(view);
    m_createdIcon = !QFileInfo::exists(m_iconFolder);
    QVERIFY(QDir().mkpath(m_iconFolder));
}

void ProgramIconTest::cleanupTestCase()
{
    if (m_createdView)
        QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/view")).removeRecursively();
    else if (m_createdIcon)
        QDir(m_iconFolder).removeRecursively();
}

void ProgramIconTest::iconFileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("program") << "/home/u/Games/Game.exe"
                             << "Game.png";
    QTest::newRow("twice") << "/opt/tool.exe.exe"
                           << "tool.png.png";
    QTest::newRow("upper case stays") << "/opt/GAME.EXE"
                                      << "GAME.EXE";
    QTest::newRow("inside the name") << "/opt/my.exe.bak"
                                     << "my.png.bak";
    QTest::newRow("folder named .exe") << "/opt/x.exe/run"
                                       << "run";
}

void ProgramIconTest::iconFileName()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(programicon::iconFileName(path), name);
}

void ProgramIconTest::programsOwnIcon_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("PE32+") << fixture("desk64.exe");
    QTest::newRow("PE32") << fixture("desk32.exe");
}

// The icon file holds the largest image of the program's icon, byte for byte.
void ProgramIconTest::programsOwnIcon()
{
    QFETCH(QString, program);
    const QString copy = m_temp.filePath(QStringLiteral("Desk Tool.exe"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(program, copy));

    QString iconPath;
    extractProgramIcon(copy, iconPath);
    QCOMPARE(iconPath, QCoreApplication::applicationDirPath() + QStringLiteral("/view/icon/Desk Tool.png"));

    const QList<IcoEntry> written = icoEntries(readAll(iconPath));
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.at(0).width, 48);
    QCOMPARE(written.at(0).height, 48);
    const QList<IcoEntry> source = icoEntries(readAll(fixture("desk.ico")));
    QCOMPARE(source.size(), 3);
    QCOMPARE(written.at(0).image, source.at(0).image);
    QCOMPARE(decodeIco(readAll(iconPath)).size(), QSize(48, 48));
}

void ProgramIconTest::otherFilesGetTheDesktopIcon()
{
    const QString path = m_temp.filePath(QStringLiteral("notes.exe"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("MZ but not a program at all");
    file.close();

    QString iconPath;
    extractProgramIcon(path, iconPath);
    QCOMPARE(iconPath, m_iconFolder + QStringLiteral("/notes.png"));
    const QByteArray ico = readAll(iconPath);
    const QList<IcoEntry> entries = icoEntries(ico);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.at(0).width, 32);
    QCOMPARE(entries.at(0).bitCount, 32);
    const QImage image = decodeIco(ico);
    QCOMPARE(image.size(), QSize(32, 32));
    bool painted = false;
    for (int y = 0; y < 32 && !painted; ++y)
        for (int x = 0; x < 32 && !painted; ++x)
            painted = qAlpha(image.pixel(x, y)) != 0;
    QVERIFY(painted);
}

void ProgramIconTest::sameNameOverwrites()
{
    QDir().mkpath(m_temp.filePath(QStringLiteral("a")));
    QDir().mkpath(m_temp.filePath(QStringLiteral("b")));
    const QString first = m_temp.filePath(QStringLiteral("a/Same.exe"));
    const QString second = m_temp.filePath(QStringLiteral("b/Same.exe"));
    QVERIFY(QFile::copy(fixture("desk64.exe"), first));
    QVERIFY(QFile::copy(fixture("blue64.exe"), second));

    QString firstIcon;
    QString secondIcon;
    extractProgramIcon(first, firstIcon);
    QCOMPARE(icoEntries(readAll(firstIcon)).value(0).width, 48);
    extractProgramIcon(second, secondIcon);
    QCOMPARE(secondIcon, firstIcon);
    const QList<IcoEntry> written = icoEntries(readAll(secondIcon));
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.at(0).image, icoEntries(readAll(fixture("blue.ico"))).value(0).image);
}

void ProgramIconTest::missingIconFolder()
{
    QVERIFY(QDir(m_iconFolder).removeRecursively());
    QString iconPath;
    extractProgramIcon(fixture("desk64.exe"), iconPath);
    QCOMPARE(iconPath, m_iconFolder + QStringLiteral("/desk64.png"));
    QVERIFY(!QFileInfo::exists(m_iconFolder));
    QVERIFY(QDir().mkpath(m_iconFolder));
}

void ProgramIconTest::missingFile()
{
    QString iconPath;
    extractProgramIcon(m_temp.filePath(QStringLiteral("gone.exe")), iconPath);
    QCOMPARE(iconPath, m_iconFolder + QStringLiteral("/gone.png"));
    QVERIFY(!QFileInfo::exists(iconPath));
}

// Every prefix of a real program: no read past the end, and no icon until the image is whole.
void ProgramIconTest::truncatedPrograms()
{
    const QByteArray whole = readAll(fixture("desk64.exe"));
    QVERIFY(whole.size() > 1000);
    const std::optional<icofile::Image> full = iconOfBytes(whole);
    QVERIFY(full);
    for (int length = 0; length < whole.size(); ++length) {
        // A copy of exactly `length` bytes, so the sanitizers see any read beyond it.
        const QByteArray prefix(whole.constData(), length);
        const std::optional<icofile::Image> icon = iconOfBytes(prefix);
        if (icon)
            QCOMPARE(icon->data, full->data);
    }
}

void ProgramIconTest::mutatedPrograms()
{
    const QByteArray programs[] = {readAll(fixture("desk64.exe")), readAll(fixture("desk32.exe"))};
    QRandomGenerator random(20240611);
    for (const QByteArray& program : programs) {
        QVERIFY(!program.isEmpty());
        for (int round = 0; round < 4000; ++round) {
            QByteArray mutated = program;
            const int changes = 1 + int(random.bounded(8));
            for (int i = 0; i < changes; ++i) {
                // Mostly the headers and the resource tables, where the offsets live.
                const int at = random.bounded(2) ? int(random.bounded(0x400)) : int(random.bounded(mutated.size()));
                mutated[at] = char(random.bounded(256));
            }
            const std::optional<icofile::Image> icon = iconOfBytes(mutated);
            if (icon)
                QVERIFY(!icon->data.empty() && icon->data.size() <= std::size_t(mutated.size()));
        }
    }
}

void ProgramIconTest::hostileHeaders_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("width");
    const QByteArray program = readAll(fixture("desk64.exe"));
    const auto* bytes = reinterpret_cast<const uchar*>(program.constData());
    const int pe = int(qFromLittleEndian<quint32>(bytes + 0x3C));
    QTest::newRow("PE header past the end") << 0x3C << 0xFFFFFFF0u << 4;
    QTest::newRow("PE header at the last byte") << 0x3C << quint32(program.size() - 1) << 4;
    QTest::newRow("many sections") << pe + 6 << 0xFFFFu << 2;
    QTest::newRow("huge optional header") << pe + 20 << 0xFFFFu << 2;
    QTest::newRow("no data directories") << pe + 24 + 108 << 0u << 4;
    QTest::newRow("resources far away") << pe + 24 + 112 + 16 << 0x7FFFFFF0u << 4;
    QTest::newRow("resources at the top") << pe + 24 + 112 + 16 << 0xFFFFFFFFu << 4;
}

void ProgramIconTest::hostileHeaders()
{
    QFETCH(int, offset);
    QFETCH(quint32, value);
    QFETCH(int, width);
    QByteArray program = readAll(fixture("desk64.exe"));
    QVERIFY(offset + width <= program.size());
    for (int i = 0; i < width; ++i)
        program[offset + i] = char((value >> (8 * i)) & 0xFF);
    QVERIFY(!iconOfBytes(program));

    const QString path = m_temp.filePath(QStringLiteral("hostile.exe"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(program);
    file.close();
    QString iconPath;
    extractProgramIcon(path, iconPath);
    QCOMPARE(iconPath, m_iconFolder + QStringLiteral("/hostile.png"));
    // Not a readable program: the desktop's icon for the file stands in, as for any other file.
    QCOMPARE(icoEntries(readAll(iconPath)).value(0).width, 32);
}

QTEST_MAIN(ProgramIconTest)
#include "tst_programicon.moc"
