#include "profilefixture.h"

#include <QDataStream>
#include <QDir>

namespace {

const QByteArray kProfiles = "<profiles>\n"
                             "\t<profile index=\"0\" name=\"Default\">\n"
                             "\t\t<stage dpi=\"400\" />\n"
                             "\t\t<button code=\"0x01\">Left &amp; more</button>\n"
                             "\t</profile>\n"
                             "\t<profile index=\"1\" name=\"Other\">\n"
                             "\t\t<stage dpi=\"800\" />\n"
                             "\t</profile>\n"
                             "</profiles>\n";

const QString kImportFailed = QStringLiteral("modifyReplaceProfile load xml file failed!");

QByteArray streamed(quint32 magic, const QByteArray& payload)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_1);
    out << magic << payload;
    return bytes;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes;
    QDataStream(&bytes, QIODevice::WriteOnly) << value;
    return bytes;
}

} // namespace

class ProfileFileTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesTheProfileFileLayout();
    void exportThenImportCopiesTheChildren();
    void exportToUnwritablePlaceFails_data();
    void exportToUnwritablePlaceFails();
    void badProfileFileChangesNothing_data();
    void badProfileFileChangesNothing();
    void everyTruncationFails();

private:
    QVariantMap exportRequest(const QString& xpath, const QString& destination) const;
    QVariantMap importRequest(const QString& source) const;
};

QVariantMap ProfileFileTest::exportRequest(const QString& xpath, const QString& destination) const
{
    return {{"srcFilePath", "profiles.xml"}, {"desFilePath", destination}, {"xpath", xpath}};
}

QVariantMap ProfileFileTest::importRequest(const QString& source) const
{
    return {{"srcFilePath", source}, {"desFilePath", "target.xml"}, {"srcXpath", "unused["}, {"desXpath", "/t/slot"}};
}

void ProfileFileTest::exportWritesTheProfileFileLayout()
{
    ProfileFixture f;
    f.writeFile("profiles.xml", kProfiles);
    const QString pfd = f.path("one.pfd");
    const ReplyRecorder reply = f.run(&ProfileCommands::saveXmlAs, exportRequest("//profile[@index='0']", pfd));
    QCOMPARE(reply.text, QStringLiteral("saveXmlAs success"));

    pugi::xml_document source;
    QVERIFY(source.load_string(kProfiles.constData()));
    pugi::xml_document exported;
    exported.append_copy(source.select_node("//profile[@index='0']").node());
    const QByteArray base64 = pugixmlSave(exported).toBase64();
    const QByteArray expected = bigEndian(0x0A0B0C0D) + bigEndian(quint32(base64.size())) + base64;
    QCOMPARE(f.readFile("one.pfd"), expected);

    // Exporting changes neither the source document nor what is pending.
    QVERIFY(f.pendingPaths.isEmpty());
    QCOMPARE(f.readFile("profiles.xml"), kProfiles);

    // An existing file is replaced as a whole.
    f.run(&ProfileCommands::saveXmlAs, exportRequest("//stage[@dpi='800']", pfd));
    QCOMPARE(QByteArray::fromBase64(f.readFile("one.pfd").mid(8)),
             QByteArray("<?xml version=\"1.0\"?>\n<stage dpi=\"800\" />\n"));
}

void ProfileFileTest::exportThenImportCopiesTheChildren()
{
    ProfileFixture f;
    f.writeFile("profiles.xml", kProfiles);
    f.writeFile("target.xml", "<t><slot><gone/>old</slot><slot/></t>");
    const QString pfd = f.path("one.pfd");
    QCOMPARE(f.run(&ProfileCommands::saveXmlAs, exportRequest("//profile[@index='0']", pfd)).text,
             QStringLiteral("saveXmlAs success"));

    const ReplyRecorder reply = f.run(&ProfileCommands::modifyReplaceProfileEx, importRequest(pfd));
    QCOMPARE(reply.text, QStringLiteral("modifyReplaceProfile success"));
    QCOMPARE(f.documents.value(f.path("target.xml")),
             QStringLiteral("<?xml version=\"1.0\"?>\n<t>\n\t<slot>\n\t\t<stage dpi=\"400\" />\n"
                            "\t\t<button code=\"0x01\">Left &amp; more</button>\n\t</slot>\n\t<slot />\n</t>\n"));
    QCOMPARE(f.pendingPaths, QStringList{f.path("target.xml")});
    QCOMPARE(f.run(&ProfileCommands::savexml, {}).text, QStringLiteral("save xml success"));
    QCOMPARE(QString::fromUtf8(f.readFile("target.xml")), f.documents.value(f.path("target.xml")));
}

void ProfileFileTest::exportToUnwritablePlaceFails_data()
{
    QTest::addColumn<QString>("destination");
    QTest::newRow("missing folder") << "nofolder/one.pfd";
    QTest::newRow("folder") << "";
    QTest::newRow("empty path") << QString();
}

void ProfileFileTest::exportToUnwritablePlaceFails()
{
    QFETCH(QString, destination);
    ProfileFixture f;
    f.writeFile("profiles.xml", kProfiles);
    const QString target = destination.isNull() ? QString() : f.path(destination);
    const ReplyRecorder reply = f.run(&ProfileCommands::saveXmlAs, exportRequest("//profile", target));
    QCOMPARE(reply.answers, 1);
    QVERIFY(!reply.success);
    QCOMPARE(reply.text, QStringLiteral("saveXmlAs desFilePath is failed!"));
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"profiles.xml"});
}

void ProfileFileTest::badProfileFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = profilefile::encode("<e><c/></e>");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("magic only") << bigEndian(0x0A0B0C0D);
    QTest::newRow("wrong magic") << streamed(0x0D0C0B0A, QByteArray("<e><c/></e>").toBase64());
    QTest::newRow("invalid base64") << streamed(0x0A0B0C0D, "PGU+PGMvPjwvZT4*!");
    QTest::newRow("length past the end") << bigEndian(0x0A0B0C0D) + bigEndian(1u << 30) + good.mid(8);
    QTest::newRow("null array") << bigEndian(0x0A0B0C0D) + bigEndian(0xFFFFFFFF);
    QTest::newRow("not xml") << profilefile::encode("this is not xml");
    QTest::newRow("unclosed xml") << profilefile::encode("<e><c>");
    QTest::newRow("zero byte before the xml") << profilefile::encode(QByteArray("\0<e><c/></e>", 12));
    QTest::newRow("xml as is") << QByteArray("<e><c/></e>");
    QTest::newRow("missing file") << QByteArray("-");
}

// Each failure answers the import failure and leaves the destination document as it was.
void ProfileFileTest::badProfileFileChangesNothing()
{
    QFETCH(QByteArray, bytes);
    ProfileFixture f;
    f.writeFile("target.xml", "<t><slot><keep/></slot></t>");
    const bool missing = bytes == "-";
    if (!missing)
        f.writeFile("bad.pfd", bytes);
    const ReplyRecorder reply = f.run(&ProfileCommands::modifyReplaceProfileEx, importRequest(f.path("bad.pfd")));
    QCOMPARE(reply.answers, 1);
    QVERIFY(!reply.success);
    QCOMPARE(reply.code, 0);
    QCOMPARE(reply.text, kImportFailed);
    QCOMPARE(f.documents.value(f.path("target.xml")), QStringLiteral("<t><slot><keep/></slot></t>"));
    QVERIFY(f.pendingPaths.isEmpty());
}

void ProfileFileTest::everyTruncationFails()
{
    ProfileFixture f;
    f.writeFile("target.xml", "<t><slot/></t>");
    const QByteArray good = profilefile::encode("<e><c/></e>");
    f.writeFile("cut.pfd", good);
    QCOMPARE(f.run(&ProfileCommands::modifyReplaceProfileEx, importRequest(f.path("cut.pfd"))).text,
             QStringLiteral("modifyReplaceProfile success"));
    f.documents.clear();
    f.pendingPaths.clear();
    for (int size = 0; size < good.size(); ++size) {
        f.writeFile("cut.pfd", good.left(size));
        const ReplyRecorder reply = f.run(&ProfileCommands::modifyReplaceProfileEx, importRequest(f.path("cut.pfd")));
        QVERIFY2(reply.answers == 1 && reply.text == kImportFailed, qPrintable(QString::number(size)));
    }
    QVERIFY(f.pendingPaths.isEmpty());
}

QTEST_GUILESS_MAIN(ProfileFileTest)
#include "tst_profilefile.moc"
