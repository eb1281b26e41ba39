#include "logwatch.h"
#include "packagefixture.h"

#include "app/applog.h"
#include "app/cefapplication.h"
#include "update/packageunpacker.h"
#include "update/updatepackage.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

using namespace packagefixture;

class tst_updatepackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_logDir;
    QScopedPointer<QTemporaryDir> m_work;

    QString kindDir(const QString& kind) const { return cefApplication::workDir + "tupdates/" + kind; }

    // Puts `package` where the downloader of `kind` would have left it.
    QString placeDownload(const QString& kind, const QByteArray& package) const
    {
        QDir().mkpath(kindDir(kind));
        const QString path = kindDir(kind) + "/update.pkg";
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(package);
        return path;
    }

    static QStringList filesBelow(const QString& root)
    {
        QStringList found;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << QDir(root).relativeFilePath(it.next());
        found.sort();
        return found;
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(m_logDir.path());
        applog::initialize(applog::Info);
    }

    void init()
    {
        m_work.reset(new QTemporaryDir);
        cefApplication::workDir = m_work->path() + "/";
    }

    void decodesWhatTheBuilderWrote_data()
    {
        QTest::addColumn<bool>("endMarker");
        QTest::newRow("no end marker, as the maker's encoder") << false;
        QTest::newRow("with end marker") << true;
    }
    void decodesWhatTheBuilderWrote()
    {
        QFETCH(bool, endMarker);
        const QByteArray bytes = packagebuilder::payload("3.1.4", sampleFiles());
        QByteArray built = package(bytes, endMarker);
        built.replace(0, 128, QByteArray(128, '\xA5')); // the reserved bytes are not examined

        QByteArray payload;
        QCOMPARE(updatepackage::decode(built, &payload), QString());
        QCOMPARE(payload, bytes);
        updatepackage::Contents contents;
        QCOMPARE(updatepackage::parse(payload, &contents), QString());
        QCOMPARE(contents.version, QString("3.1.4"));
        QCOMPARE(contents.files.size(), 3);
        QCOMPARE(contents.files.at(1).name, QString("pkg/view/index.html"));
        QCOMPARE(contents.files.at(0).data, QByteArray(150000, 'u'));
    }

    void refusesBrokenPackages_data()
    {
        QTest::addColumn<QByteArray>("package");
        QTest::addColumn<QString>("logLine");
        const QByteArray good = package(packagebuilder::payload("1", sampleFiles()));

        QByteArray badDigest = good;
        badDigest[130] = char(badDigest[130] ^ 1);
        QTest::newRow("wrong SHA-1") << badDigest << "Update Error: bad SHA1 hash of update file!";

        QByteArray broken = good.mid(157);
        broken[0] = '\xFF'; // a range coder stream starts with a zero byte
        QTest::newRow("broken stream") << packagebuilder::assemble(good.mid(148, 5),
                                                                   qFromLittleEndian<qint32>(good.constData() + 153),
                                                                   broken)
                                       << "Update Error: could not uncompress lzma, code: 1";
        QTest::newRow("stream cut short")
            << packagebuilder::assemble(good.mid(148, 5), qFromLittleEndian<qint32>(good.constData() + 153),
                                        good.mid(157, 60))
            << "Update Error: could not uncompress lzma, code: 6";
        QTest::newRow("bad properties") << packagebuilder::assemble(QByteArray(5, '\xFF'), 10, good.mid(157))
                                        << "Update Error: could not uncompress lzma, code: 4";
        QTest::newRow("negative payload size")
            << withDeclaredSize(good, -5) << "Update Error: bad payload size -5 in update file!";
        QTest::newRow("absurd payload size")
            << withDeclaredSize(good, 0x7FFFFFF0) << "Update Error: bad payload size 2147483632 in update file!";
        QTest::newRow("payload longer than the stream")
            << withDeclaredSize(good, 900000) << "Update Error: could not uncompress lzma, code: 6";
        QTest::newRow("empty payload") << withDeclaredSize(good, 0)
                                       << "Update Error: cant read version from downloaded stream, status: 1";

        QTest::newRow("no files") << package(RawPayload("1", 0).bytes) << "Update Error: update is empty!";
        QTest::newRow("count larger than the payload holds")
            << package(RawPayload("1", 4000000000u).file("p/a", 1, "a").bytes)
            << "Update Error: cant read file from downloaded stream, status: 1";
        QTest::newRow("size disagrees with data") << package(RawPayload("1", 1).file("p/a", 7, "abc").bytes)
                                                  << "Update Error: bad file size 7 not matching data size 3";
        QTest::newRow("odd text length") << package(QByteArray::fromHex("00000003414243"))
                                         << "Update Error: cant read version from downloaded stream, status: 2";
        QTest::newRow("no file count") << package(RawPayload("1", 0).bytes.left(6))
                                       << "Update Error: cant read files count from downloaded stream, status: 1";
    }
    void refusesBrokenPackages()
    {
        QFETCH(QByteArray, package);
        QFETCH(QString, logLine);
        QByteArray payload;
        QString failure = updatepackage::decode(package, &payload);
        if (failure.isEmpty()) {
            updatepackage::Contents contents;
            failure = updatepackage::parse(payload, &contents);
        }
        QCOMPARE(failure, logLine);

        // The unpacker logs the same line and leaves nothing behind to install.
        LogWatch log;
        const QString path = placeDownload("html", package);
        QString version;
        QVERIFY(!unpackPackage(path, "html", &version));
        QCOMPARE(log.lines("pspecific_wnd"), QStringList{logLine});
        QVERIFY(!QFileInfo::exists(kindDir("html") + "/ready"));
        QVERIFY(filesBelow(kindDir("html")).isEmpty());
    }

    void refusesNamesLeavingTheTempFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent parts") << "pkg/../../escaped.txt";
        QTest::newRow("parent part deep inside") << "pkg/view/../../../escaped.txt";
        QTest::newRow("absolute after the first part") << "pkg//tmp/escaped.txt";
        QTest::newRow("drive letter") << "pkg/C:/escaped.txt";
        QTest::newRow("backslash trick") << "pkg/..\\..\\escaped.txt";
        QTest::newRow("just a parent") << "pkg/..";
    }
    void refusesNamesLeavingTheTempFolder()
    {
        QFETCH(QString, name);
        // The bad name comes second: the first file must not have been written either.
        const QByteArray built = package(RawPayload("1", 2).file("pkg/good.txt", 2, "ok").file(name, 3, "bad").bytes);
        LogWatch log;
        const QString path = placeDownload("firmware", built);
        QString version;
        QVERIFY(!unpackPackage(path, "firmware", &version));
        QCOMPARE(log.lines("pspecific_wnd"),
                 QStringList{QStringLiteral("Update Error: file name '%1' leaves the update folder").arg(name)});
        QCOMPARE(filesBelow(m_work->path()), QStringList());
    }

    void unpacksIntoTheReadyFolder()
    {
        const QString path = placeDownload("html", package(packagebuilder::payload("2.0.0", sampleFiles())));
        QString version;
        QVERIFY(unpackPackage(path, "html", &version));
        QCOMPARE(version, QString("2.0.0"));
        QCOMPARE(filesBelow(kindDir("html") + "/ready"),
                 (QStringList{"Updater.exe", "view/css/site.css", "view/index.html"}));
        QFile page(kindDir("html") + "/ready/view/index.html");
        QVERIFY(page.open(QIODevice::ReadOnly));
        QCOMPARE(page.readAll(), QByteArray("<html><body>new</body></html>"));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!QFileInfo::exists(kindDir("html") + "/temp"));
    }

    void replacesAnEarlierReadyFolder()
    {
        QDir().mkpath(kindDir("client") + "/ready/old");
        QFile(kindDir("client") + "/ready/old/stale.txt").open(QIODevice::WriteOnly);
        const QString path = placeDownload("client", package(packagebuilder::payload("2", sampleFiles())));
        QString version;
        QVERIFY(unpackPackage(path, "client", &version));
        QCOMPARE(filesBelow(kindDir("client") + "/ready").size(), 3);
    }

    void nameWithoutFolderCannotBeWritten()
    {
        const QString path = placeDownload("html", package(RawPayload("1", 1).file("index.html", 2, "hi").bytes));
        LogWatch log;
        QString version;
        QVERIFY(!unpackPackage(path, "html", &version));
        const QString temp = kindDir("html") + "/temp";
        QCOMPARE(log.lines("pspecific_wnd"),
                 QStringList{QStringLiteral("Update Error: cant open file '%1/index.html' for writing").arg(temp)});
    }

    void failedPageBundleDiscardsOnlyTheProgramUpdate()
    {
        QDir().mkpath(kindDir("client") + "/ready");
        const QString path = placeDownload("html", package(RawPayload("1", 0).bytes));
        QString version;
        QVERIFY(!unpackPackage(path, "html", &version));
        QVERIFY(!QFileInfo::exists(kindDir("client")));
        QVERIFY(QFileInfo(kindDir("html") + "/temp").isDir());
    }

    void shortOrMissingDownload()
    {
        LogWatch log;
        QString version;
        QDir().mkpath(kindDir("client"));
        QVERIFY(!unpackPackage(kindDir("html") + "/missing.pkg", "html", &version));
        QCOMPARE(log.lines("pspecific_wnd"), QStringList{"Update Erro: cant read updates file!"});
        QVERIFY(!QFileInfo::exists(kindDir("client")));

        LogWatch quiet;
        const QString path = placeDownload("html", QByteArray(157, 'x'));
        QVERIFY(!unpackPackage(path, "html", &version));
        QCOMPARE(quiet.lines("pspecific_wnd"), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_updatepackage)
#include "tst_updatepackage.moc"
