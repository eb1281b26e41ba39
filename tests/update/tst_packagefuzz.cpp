#include "packagefixture.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/packageunpacker.h"
#include "update/updatepackage.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace packagefixture;

// Mutated packages against the reader: no crash, no hang, and nothing but the kind's own
// folders ever written.
class tst_packagefuzz : public QObject {
    Q_OBJECT

    static QByteArray mutate(QByteArray bytes, QRandomGenerator& random, int from)
    {
        const int edits = 1 + random.bounded(4);
        for (int i = 0; i < edits && bytes.size() > from; ++i) {
            const int at = from + random.bounded(bytes.size() - from);
            switch (random.bounded(4)) {
            case 0: bytes[at] = char(random.generate()); break;
            case 1: bytes[at] = char(bytes[at] ^ (1 << random.bounded(8))); break;
            case 2: bytes.truncate(at); break;
            default: bytes.insert(at, QByteArray(1 + random.bounded(8), char(random.generate()))); break;
            }
        }
        return bytes;
    }

    // Re-signs a mutated package so the mutation reaches the decoder and the payload reader.
    static QByteArray resigned(const QByteArray& body)
    {
        if (body.size() < 9)
            return body;
        return packagebuilder::assemble(body.left(5), qFromLittleEndian<qint32>(body.constData() + 5), body.mid(9));
    }

private slots:
    void mutatedPackages_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("count");
        QTest::newRow("raw bytes, digest unchanged") << 0 << 20000;
        QTest::newRow("header and stream, digest renewed") << 1 << 40000;
        QTest::newRow("payload, recompressed") << 2 << 40000;
    }
    void mutatedPackages()
    {
        QFETCH(int, mode);
        QFETCH(int, count);
        QRandomGenerator random(0x7e57 + mode);
        const QByteArray payload = packagebuilder::payload(
            "9.9", {{"pkg/a.txt", "alpha"}, {"pkg/sub/b.bin", QByteArray(300, 'b')}, {"pkg/c", "c"}});
        const QByteArray good = package(payload);
        int accepted = 0;
        for (int i = 0; i < count; ++i) {
            QByteArray candidate;
            if (mode == 0)
                candidate = mutate(good, random, 0);
            else if (mode == 1)
                candidate = resigned(mutate(good.mid(updatepackage::PropertiesOffset), random, 0));
            else
                candidate = package(mutate(payload, random, 0), random.bounded(2) == 1);
            QByteArray decoded;
            updatepackage::Contents contents;
            if (updatepackage::decode(candidate, &decoded).isEmpty() &&
                updatepackage::parse(decoded, &contents).isEmpty()) {
                ++accepted;
                for (const updatepackage::File& file : contents.files) {
                    QVERIFY(updatepackage::isContained(updatepackage::relativePath(file.name)));
                    QCOMPARE(quint32(file.data.size()), file.size);
                }
            }
        }
        qInfo("%d of %d mutated packages were readable", accepted, count);
    }

    // A smaller run through the whole unpacker, files written and all.
    void unpackerWritesOnlyItsOwnFolders()
    {
        QTemporaryDir work;
        QDir::setCurrent(work.path());
        applog::initialize(applog::Disable);
        cefApplication::workDir = work.path() + "/app/";
        const QString kindDir = cefApplication::workDir + "tupdates/html";
        QRandomGenerator random(99);
        const QByteArray payloads[] = {
            packagebuilder::payload("1", {{"pkg/a.txt", "alpha"}, {"pkg/d/e/f.txt", "deep"}, {"pkg/b", "b"}}),
            packagebuilder::payload("1", {{"pkg/a.txt", "alpha"}, {"pkg/../x", "x"}, {"pkg/d/e/f", "f"}})};
        for (int i = 0; i < 2000; ++i) {
            QDir().mkpath(kindDir);
            QFile download(kindDir + "/u.pkg");
            QVERIFY(download.open(QIODevice::WriteOnly | QIODevice::Truncate));
            download.write(package(mutate(payloads[i % 2], random, 0)));
            download.close();
            QString version;
            unpackPackage(download.fileName(), "html", &version);
        }
        QDirIterator it(work.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QVERIFY2(path.startsWith(kindDir + "/") || path == work.path() + "/web.log", qPrintable(path));
        }
    }
};

QTEST_GUILESS_MAIN(tst_packagefuzz)
#include "tst_packagefuzz.moc"
