#include "profilefixture.h"

#include <QDir>

namespace {

const QByteArray kButtons = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                            "<profile name=\"p\">\r\n"
                            "  <buttons>\r\n"
                            "    <button index=\"0\" code=\"0x01\" a=\"x\" b=\"y\"/>\r\n"
                            "    <button index=\"1\" code=\"0x02,%,0x00,%\" a=\"x\" b=\"y\"/>\r\n"
                            "  </buttons>\r\n"
                            "  <macros/>\r\n"
                            "</profile>\r\n";

const QString kDecl = QStringLiteral("<?xml version=\"1.0\"?>\n");

QVariantMap args(std::initializer_list<std::pair<const char*, QVariant>> pairs)
{
    QVariantMap map;
    for (const auto& p : pairs)
        map.insert(QLatin1String(p.first), p.second);
    return map;
}

} // namespace

class ProfileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void queryPrintsSelectedNodes_data();
    void queryPrintsSelectedNodes();
    void countsChildren_data();
    void countsChildren();
    void modifySetsOnlyExistingAttributes_data();
    void modifySetsOnlyExistingAttributes();
    void editsStayInMemoryUntilSavexml();
    void savedFileIsPugixmlDefaultSave();
    void memoryWinsOverDisk();
    void modifyExFillsFirstAndEmptiesTheRest();
    void modifyExAndRemoveOnNestedSelections();
    void addAppendsElementWithAttributes_data();
    void addAppendsElementWithAttributes();
    void replaceTakesTheNodesPlace_data();
    void replaceTakesTheNodesPlace();
    void resetCopiesTextAndRecoversUnparsable();
    void hexByteFillsPlaceholders_data();
    void hexByteFillsPlaceholders();
    void badXpathAnswersParseFailure_data();
    void badXpathAnswersParseFailure();
    void unparsableDocumentKeepsFailing_data();
    void unparsableDocumentKeepsFailing();
    void silentWithoutKeysOrFile_data();
    void silentWithoutKeysOrFile();
    void savexmlFailureKeepsPending();
};

void ProfileCommandsTest::queryPrintsSelectedNodes_data()
{
    QTest::addColumn<QString>("xpath");
    QTest::addColumn<QString>("printed");
    QTest::newRow("element") << "//b[@k='2']"
                             << "<b k=\"2\" />\n";
    QTest::newRow("document order") << "//c | //b"
                                    << "<b k=\"1\" />\n<b k=\"2\" />\n<c>text</c>\n";
    QTest::newRow("reverse axis in document order") << "//c/ancestor::*"
                                                    << "<a>\n\t<b k=\"1\" />\n\t<b k=\"2\" />\n"
                                                       "\t<c>text</c>\n</a>\n";
    QTest::newRow("attribute prints nothing") << "//b/@k"
                                              << "";
    QTest::newRow("no match") << "//zz"
                              << "";
}

void ProfileCommandsTest::queryPrintsSelectedNodes()
{
    QFETCH(QString, xpath);
    QFETCH(QString, printed);
    ProfileFixture f;
    f.writeFile("q.xml", "<a><b k='1'/><b k='2'/><c>text</c></a>");
    const ReplyRecorder reply = f.run(&ProfileCommands::queryProfile, args({{"filePath", "q.xml"}, {"xpath", xpath}}));
    QCOMPARE(reply.answers, 1);
    QVERIFY(reply.success);
    QCOMPARE(reply.text, printed);
    QVERIFY(f.pendingPaths.isEmpty());
}

void ProfileCommandsTest::countsChildren_data()
{
    QTest::addColumn<QString>("xpath");
    QTest::addColumn<QString>("count");
    QTest::newRow("elements and text") << "/a"
                                       << "3";
    QTest::newRow("first match") << "//b"
                                 << "0";
    QTest::newRow("attribute") << "//b/@k"
                               << "0";
    QTest::newRow("no match") << "//zz"
                              << "0";
    QTest::newRow("document") << "/"
                              << "1";
}

void ProfileCommandsTest::countsChildren()
{
    QFETCH(QString, xpath);
    QFETCH(QString, count);
    ProfileFixture f;
    f.writeFile("c.xml", "<a><b k='1'/>text<c><![CDATA[x]]></c></a>");
    const ReplyRecorder reply =
        f.run(&ProfileCommands::nodeCounterProfile, args({{"filePath", "c.xml"}, {"xpath", xpath}}));
    QVERIFY(reply.success);
    QCOMPARE(reply.text, count);
}

void ProfileCommandsTest::modifySetsOnlyExistingAttributes_data()
{
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("result");
    QTest::newRow("pairs") << "a;b"
                           << "1;2"
                           << "<e a=\"1\" b=\"2\" />";
    QTest::newRow("fewer values") << "a;b"
                                  << "1"
                                  << "<e a=\"1\" b=\"\" />";
    QTest::newRow("empty names dropped, empty values kept") << "a;;b"
                                                            << "1;;2"
                                                            << "<e a=\"1\" b=\"\" />";
    QTest::newRow("missing attribute not created") << "z;a"
                                                   << "9;1"
                                                   << "<e a=\"1\" b=\"y\" />";
    QTest::newRow("no names") << ""
                              << "1"
                              << "<e a=\"x\" b=\"y\" />";
    QTest::newRow("escaped") << "a"
                             << "<&\""
                             << "<e a=\"&lt;&amp;&quot;\" b=\"y\" />";
}

void ProfileCommandsTest::modifySetsOnlyExistingAttributes()
{
    QFETCH(QString, names);
    QFETCH(QString, values);
    QFETCH(QString, result);
    ProfileFixture f;
    f.writeFile("m.xml", "<r><e a='x' b='y'/><e a='x' b='y'/></r>");
    const ReplyRecorder reply =
        f.run(&ProfileCommands::modifyProfile,
              args({{"filePath", "m.xml"}, {"xpath", "//e"}, {"attribute", names}, {"attributeValue", values}}));
    QCOMPARE(reply.text, QStringLiteral("modifyProfile success!"));
    QCOMPARE(f.documents.value(f.path("m.xml")), kDecl + "<r>\n\t" + result + "\n\t" + result + "\n</r>\n");
}

void ProfileCommandsTest::editsStayInMemoryUntilSavexml()
{
    ProfileFixture f;
    f.writeFile("p.xml", kButtons);
    const QVariantMap edit = args(
        {{"filePath", "p.xml"}, {"xpath", "//button[@index='0']"}, {"attribute", "code"}, {"attributeValue", "0x09"}});
    QCOMPARE(f.run(&ProfileCommands::modifyProfile, edit).text, QStringLiteral("modifyProfile success!"));
    QCOMPARE(f.run(&ProfileCommands::modifyProfile, edit).text, QStringLiteral("modifyProfile success!"));
    QCOMPARE(f.readFile("p.xml"), kButtons);
    QCOMPARE(f.pendingPaths, QStringList{f.path("p.xml")});

    const ReplyRecorder seen =
        f.run(&ProfileCommands::queryProfile, args({{"filePath", "p.xml"}, {"xpath", "//button[@code='0x09']"}}));
    QCOMPARE(seen.text, QStringLiteral("<button index=\"0\" code=\"0x09\" a=\"x\" b=\"y\" />\n"));

    const ReplyRecorder saved = f.run(&ProfileCommands::savexml, {});
    QCOMPARE(saved.answers, 1);
    QCOMPARE(saved.text, QStringLiteral("save xml success"));
    QVERIFY(f.pendingPaths.isEmpty());
    QCOMPARE(QString::fromUtf8(f.readFile("p.xml")), f.documents.value(f.path("p.xml")));
    QVERIFY(QDir(f.dir.path()).entryList(QDir::Files) == QStringList{"p.xml"});
}

// The bytes on disk are exactly pugixml's default save of the edited document, whatever the
// line ends, indentation and declaration of the file it came from.
void ProfileCommandsTest::savedFileIsPugixmlDefaultSave()
{
    ProfileFixture f;
    f.writeFile("p.xml", kButtons);
    f.run(&ProfileCommands::modifyAddProfile, args({{"filePath", "p.xml"},
                                                    {"xpath", "//macros"},
                                                    {"addNodeName", "macro"},
                                                    {"attribute", "id;name"},
                                                    {"attributeValue", "7;Ünïcode"}}));
    QCOMPARE(f.run(&ProfileCommands::savexml, {}).text, QStringLiteral("save xml success"));

    pugi::xml_document expected;
    QVERIFY(expected.load_string(kButtons.constData()));
    pugi::xml_node macro = expected.child("profile").child("macros").append_child("macro");
    macro.append_attribute("id") = "7";
    macro.append_attribute("name") = "Ünïcode";
    QCOMPARE(f.readFile("p.xml"), pugixmlSave(expected));
}

void ProfileCommandsTest::memoryWinsOverDisk()
{
    ProfileFixture f;
    f.writeFile("p.xml", "<a v='1'/>");
    const QVariantMap query = args({{"filePath", "p.xml"}, {"xpath", "/a"}});
    QCOMPARE(f.run(&ProfileCommands::queryProfile, query).text, QStringLiteral("<a v=\"1\" />\n"));
    f.writeFile("p.xml", "<a v='2'/>");
    QCOMPARE(f.run(&ProfileCommands::queryProfile, query).text, QStringLiteral("<a v=\"1\" />\n"));
    f.run(&ProfileCommands::modifyProfile,
          args({{"filePath", "p.xml"}, {"xpath", "/a"}, {"attribute", "v"}, {"attributeValue", "3"}}));
    f.run(&ProfileCommands::savexml, {});
    QCOMPARE(f.readFile("p.xml"), QByteArray("<?xml version=\"1.0\"?>\n<a v=\"3\" />\n"));
}

void ProfileCommandsTest::modifyExFillsFirstAndEmptiesTheRest()
{
    ProfileFixture f;
    f.writeFile("x.xml", "<r><s><old/></s><s><old/>t</s></r>");
    const ReplyRecorder reply =
        f.run(&ProfileCommands::modifyProfileEx,
              args({{"filePath", "x.xml"}, {"xpath", "//s"}, {"subTreeString", "<n1/><n2 v='1'/>"}}));
    QCOMPARE(reply.text, QStringLiteral("modifyProfileEx success"));
    QCOMPARE(f.documents.value(f.path("x.xml")),
             kDecl + "<r>\n\t<s>\n\t\t<n1 />\n\t\t<n2 v=\"1\" />\n\t</s>\n\t<s />\n</r>\n");

    // A fragment that does not parse gives what the parser kept of it.
    const char* broken = "<k a='1'/><k><broken";
    f.run(&ProfileCommands::modifyProfileEx,
          args({{"filePath", "x.xml"}, {"xpath", "/r/s[1]"}, {"subTreeString", broken}}));
    pugi::xml_document fragment;
    QVERIFY(!fragment.load_string(broken));
    pugi::xml_document expected;
    expected.load_string("<r><s/><s/></r>");
    for (pugi::xml_node top : fragment.children())
        expected.first_child().first_child().append_copy(top);
    QCOMPARE(f.documents.value(f.path("x.xml")).toUtf8(), pugixmlSave(expected));
}

// A selection that holds a node and its descendants is handled without touching a node that an
// earlier step has taken out of the document.
void ProfileCommandsTest::modifyExAndRemoveOnNestedSelections()
{
    ProfileFixture f;
    f.writeFile("n.xml", "<r><a><a><a/></a></a><b><a/></b></r>");
    f.run(&ProfileCommands::modifyProfileEx,
          args({{"filePath", "n.xml"}, {"xpath", "//a"}, {"subTreeString", "<x/>"}}));
    QCOMPARE(f.documents.value(f.path("n.xml")),
             kDecl + "<r>\n\t<a>\n\t\t<x />\n\t</a>\n\t<b>\n\t\t<a />\n\t</b>\n</r>\n");

    f.writeFile("m.xml", "<r><a><a><a/></a></a><b><a/><c/></b></r>");
    const ReplyRecorder removed =
        f.run(&ProfileCommands::modifyRemoveProfile, args({{"filePath", "m.xml"}, {"xpath", "//a | //a/@*"}}));
    QCOMPARE(removed.text, QStringLiteral("modifyRemoveProfile success"));
    QCOMPARE(f.documents.value(f.path("m.xml")), kDecl + "<r>\n\t<b>\n\t\t<c />\n\t</b>\n</r>\n");

    // Removing every node leaves a text that no longer parses.
    f.run(&ProfileCommands::modifyRemoveProfile, args({{"filePath", "m.xml"}, {"xpath", "//node()"}}));
    QCOMPARE(f.documents.value(f.path("m.xml")), kDecl);
    QCOMPARE(f.run(&ProfileCommands::queryProfile, args({{"filePath", "m.xml"}, {"xpath", "/"}})).text,
             QStringLiteral("queryProfile load xml file failed!"));
}

void ProfileCommandsTest::addAppendsElementWithAttributes_data()
{
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("added");
    const QVariantMap base = args({{"filePath", "a.xml"}, {"xpath", "//m"}});
    QVariantMap full = base;
    full.insert("addNodeName", "macro");
    full.insert("attribute", "id;;name");
    full.insert("attributeValue", "1;;x");
    QTest::newRow("both lists drop empty parts") << full << "<macro id=\"1\" name=\"x\" />";
    QVariantMap shortValues = full;
    shortValues.insert("attributeValue", "1");
    QTest::newRow("missing value is empty") << shortValues << "<macro id=\"1\" name=\"\" />";
    QVariantMap noName = base;
    noName.insert("attribute", "");
    noName.insert("attributeValue", "");
    QTest::newRow("no element name") << noName << "<:anonymous />";
}

void ProfileCommandsTest::addAppendsElementWithAttributes()
{
    QFETCH(QVariantMap, request);
    QFETCH(QString, added);
    ProfileFixture f;
    f.writeFile("a.xml", "<r><m/><m><k/></m><m a='1'/></r>");
    QCOMPARE(f.run(&ProfileCommands::modifyAddProfile, request).text, QStringLiteral("modifyAddProfile success"));
    QCOMPARE(f.documents.value(f.path("a.xml")), kDecl + "<r>\n\t<m>\n\t\t" + added +
                                                     "\n\t</m>\n\t<m>\n\t\t<k />\n\t\t" + added +
                                                     "\n\t</m>\n\t<m a=\"1\">\n\t\t" + added + "\n\t</m>\n</r>\n");
}

void ProfileCommandsTest::replaceTakesTheNodesPlace_data()
{
    QTest::addColumn<QString>("srcXpath");
    QTest::addColumn<QString>("desXpath");
    QTest::addColumn<QString>("result");
    QTest::newRow("first child") << "//p[@n='s']"
                                 << "//p[@n='1']"
                                 << "<r>\n\t<p n=\"s\">\n\t\t<q />\n\t</p>\n\t<p n=\"2\" />\n\t<p n=\"3\" />\n</r>\n";
    QTest::newRow("later child") << "//p[@n='s']"
                                 << "//p[@n='2']"
                                 << "<r>\n\t<p n=\"1\" />\n\t<p n=\"s\">\n\t\t<q />\n\t</p>\n\t<p n=\"3\" />\n</r>\n";
    QTest::newRow("no destination") << "//p"
                                    << "//zz"
                                    << "<r>\n\t<p n=\"1\" />\n\t<p n=\"2\" />\n\t<p n=\"3\" />\n</r>\n";
    QTest::newRow("no source removes") << "//zz"
                                       << "//p[@n='2']"
                                       << "<r>\n\t<p n=\"1\" />\n\t<p n=\"3\" />\n</r>\n";
}

void ProfileCommandsTest::replaceTakesTheNodesPlace()
{
    QFETCH(QString, srcXpath);
    QFETCH(QString, desXpath);
    QFETCH(QString, result);
    ProfileFixture f;
    f.writeFile("src.xml", "<r><p n='s'><q/></p></r>");
    f.writeFile("des.xml", "<r><p n='1'/><p n='2'/><p n='3'/></r>");
    const ReplyRecorder reply = f.run(
        &ProfileCommands::modifyReplaceProfile,
        args({{"srcFilePath", "src.xml"}, {"desFilePath", "des.xml"}, {"srcXpath", srcXpath}, {"desXpath", desXpath}}));
    QCOMPARE(reply.text, QStringLiteral("modifyReplaceProfile success"));
    QCOMPARE(f.documents.value(f.path("des.xml")), kDecl + result);
    QCOMPARE(f.pendingPaths, QStringList{f.path("des.xml")});
}

void ProfileCommandsTest::resetCopiesTextAndRecoversUnparsable()
{
    ProfileFixture f;
    f.writeFile("default.xml", "<a v='d'/>");
    f.writeFile("broken.xml", "<a v='1'");
    const QVariantMap query = args({{"filePath", "broken.xml"}, {"xpath", "/a"}});
    QCOMPARE(f.run(&ProfileCommands::queryProfile, query).text, QStringLiteral("queryProfile load xml file failed!"));

    const ReplyRecorder reset =
        f.run(&ProfileCommands::resetProfile, args({{"srcFilePath", "default.xml"}, {"desFilePath", "broken.xml"}}));
    QCOMPARE(reset.text, QStringLiteral("resetProfile success"));
    QCOMPARE(f.documents.value(f.path("broken.xml")), QStringLiteral("<a v='d'/>"));
    QCOMPARE(f.pendingPaths, QStringList{f.path("broken.xml")});
    QCOMPARE(f.run(&ProfileCommands::queryProfile, query).text, QStringLiteral("<a v=\"d\" />\n"));
}

void ProfileCommandsTest::hexByteFillsPlaceholders_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("argsText");
    QTest::addColumn<QString>("answer");
    QTest::newRow("two placeholders") << "0x02,%,0x00,%"
                                      << "0x04,0x05"
                                      << "0x02,0x04,0x00,0x05";
    QTest::newRow("no placeholder ignores args") << "0x02,0x04,0x00,0x05"
                                                 << "zz"
                                                 << "0x02,0x04,0x00,0x05";
    QTest::newRow("empty args dropped") << "%,%,%,%"
                                        << ",a,,b,"
                                        << "a,b,,";
    QTest::newRow("too few args") << "0x02,%,0x00,%"
                                  << "0x04"
                                  << "0x02,0x04,0x00,";
    QTest::newRow("short code") << "0x02,%"
                                << "0x07,0x08"
                                << "0x02,0x07";
    QTest::newRow("only four positions") << "%,0,0,0,%"
                                         << "1,2"
                                         << "1,0,0,0,%";
    QTest::newRow("empty parts kept") << "%,,%"
                                      << "1,2"
                                      << "1,,2";
    QTest::newRow("no code attribute") << ""
                                       << "1"
                                       << "";
}

void ProfileCommandsTest::hexByteFillsPlaceholders()
{
    QFETCH(QString, code);
    QFETCH(QString, argsText);
    QFETCH(QString, answer);
    ProfileFixture f;
    const QByteArray attribute = code.isEmpty() ? QByteArray() : " code=\"" + code.toUtf8() + "\"";
    f.writeFile("h.xml", "<r><k" + attribute + "/></r>");
    const ReplyRecorder reply =
        f.run(&ProfileCommands::queryHexByte, args({{"filePath", "h.xml"}, {"xpath", "//k"}, {"args", argsText}}));
    QVERIFY(reply.success);
    QCOMPARE(reply.text, answer);
}

void ProfileCommandsTest::badXpathAnswersParseFailure_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("xpath");
    const QStringList bad = {"//button[", "", "1 + 1", "concat('a')", "//*[", "///", "@@", QString(2000, '(')};
    const QList<QPair<QString, QString>> commands = {
        {"queryProfile", "queryProfile load xml file failed!"},
        {"nodeCounterProfile", "nodeCounterProfile load xml file failed!"},
        {"modifyProfile", "modifyProfile load xml file failed!"},
        {"modifyProfileEx", "modifyProfileEx load xml file failed!"},
        {"modifyRemoveProfile", "modifyProfile load xml file failed!"},
        {"modifyAddProfile", "modifyProfile load xml file failed!"},
        {"modifyReplaceProfile", "modifyReplaceProfile load xml file failed!"},
        {"modifyReplaceProfileEx", "modifyReplaceProfile load xml file failed!"},
        {"queryHexByte", "modifyProfile load xml file failed!"},
        {"saveXmlAs", "saveXmlAs load xml file failed!"},
    };
    for (const auto& c : commands) {
        for (int i = 0; i < bad.size(); ++i)
            QTest::addRow("%s %d", qPrintable(c.first), i) << c.first << c.second << bad.at(i);
    }
}

// Every key any of the commands requires, so each command reaches its selection.
static QVariantMap everyKey(const ProfileFixture& f, const QString& xpath)
{
    return args({{"filePath", "p.xml"},
                 {"srcFilePath", f.path("good.pfd")},
                 {"desFilePath", "p.xml"},
                 {"xpath", xpath},
                 {"srcXpath", xpath},
                 {"desXpath", xpath},
                 {"attribute", "code"},
                 {"attributeValue", "1"},
                 {"subTreeString", "<x/>"},
                 {"args", "1"}});
}

void ProfileCommandsTest::badXpathAnswersParseFailure()
{
    QFETCH(QString, command);
    QFETCH(QString, failure);
    QFETCH(QString, xpath);
    ProfileFixture f;
    f.writeFile("p.xml", kButtons);
    // modifyReplaceProfileEx reads a good profile file; saveXmlAs would write over it.
    f.writeFile("good.pfd", profilefile::encode("<e><c/></e>"));
    QVariantMap request = everyKey(f, xpath);
    if (command == "modifyReplaceProfile")
        request.insert("srcFilePath", "p.xml");
    if (command == "saveXmlAs") {
        request.insert("srcFilePath", "p.xml");
        request.insert("desFilePath", f.path("out.pfd"));
    }
    const ReplyRecorder reply = f.run(commandNamed(command), request);
    QCOMPARE(reply.answers, 1);
    QVERIFY(!reply.success);
    QCOMPARE(reply.code, 0);
    QCOMPARE(reply.text, failure);
    QCOMPARE(f.documents.value(f.path("p.xml")), QString::fromUtf8(kButtons).replace("\r\n", "\n"));
    QVERIFY(f.pendingPaths.isEmpty());
    QVERIFY(!QFile::exists(f.path("out.pfd")));
}

void ProfileCommandsTest::unparsableDocumentKeepsFailing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("unclosed") << QByteArray("<a><b></a>");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text only") << QByteArray("just text");
    QTest::newRow("zero byte first") << QByteArray("\0<a/>", 5);
}

void ProfileCommandsTest::unparsableDocumentKeepsFailing()
{
    QFETCH(QByteArray, content);
    ProfileFixture f;
    f.writeFile("bad.xml", content);
    const QVariantMap edit =
        args({{"filePath", "bad.xml"}, {"xpath", "//a"}, {"attribute", "v"}, {"attributeValue", "1"}});
    for (int i = 0; i < 2; ++i) {
        const ReplyRecorder reply = f.run(&ProfileCommands::modifyProfile, edit);
        QCOMPARE(reply.answers, 1);
        QCOMPARE(reply.text, QStringLiteral("modifyProfile load xml file failed!"));
    }
    QCOMPARE(f.documents.value(f.path("bad.xml")), QString::fromUtf8(content.constData(), content.size()));
    QVERIFY(f.pendingPaths.isEmpty());
    QCOMPARE(f.readFile("bad.xml"), content);
}

void ProfileCommandsTest::silentWithoutKeysOrFile_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QVariantMap>("request");
    QTest::newRow("query without xpath") << "queryProfile" << args({{"filePath", "p.xml"}});
    QTest::newRow("modify without attributeValue")
        << "modifyProfile" << args({{"filePath", "p.xml"}, {"xpath", "//b"}, {"attribute", "a"}});
    QTest::newRow("replace without desXpath")
        << "modifyReplaceProfile" << args({{"srcFilePath", "p.xml"}, {"desFilePath", "p.xml"}, {"srcXpath", "/"}});
    QTest::newRow("hex without args") << "queryHexByte" << args({{"filePath", "p.xml"}, {"xpath", "//b"}});
    QTest::newRow("query missing file") << "queryProfile" << args({{"filePath", "none.xml"}, {"xpath", "/"}});
    QTest::newRow("reset missing destination")
        << "resetProfile" << args({{"srcFilePath", "p.xml"}, {"desFilePath", "none.xml"}});
    QTest::newRow("import into missing file")
        << "modifyReplaceProfileEx"
        << args({{"srcFilePath", "x.pfd"}, {"desFilePath", "none.xml"}, {"srcXpath", "/"}, {"desXpath", "/"}});
    QTest::newRow("folder as document") << "queryProfile" << args({{"filePath", ""}, {"xpath", "/"}});
}

void ProfileCommandsTest::silentWithoutKeysOrFile()
{
    QFETCH(QString, command);
    QFETCH(QVariantMap, request);
    ProfileFixture f;
    f.writeFile("p.xml", kButtons);
    QCOMPARE(f.run(commandNamed(command), request).answers, 0);
    QVERIFY(f.pendingPaths.isEmpty());
    QVERIFY(!f.documents.contains(f.path("none.xml")));
}

void ProfileCommandsTest::savexmlFailureKeepsPending()
{
    ProfileFixture f;
    QCOMPARE(f.run(&ProfileCommands::savexml, {}).answers, 0); // nothing loaded yet

    f.writeFile("p.xml", kButtons);
    QCOMPARE(f.run(&ProfileCommands::queryProfile, args({{"filePath", "p.xml"}, {"xpath", "/"}})).answers, 1);
    QCOMPARE(f.run(&ProfileCommands::savexml, {}).text, QStringLiteral("save xml success")); // nothing pending

    // A document whose folder has gone cannot be written: no answer, and both stay pending.
    QVERIFY(QDir(f.dir.path()).mkdir("sub"));
    f.writeFile("sub/q.xml", "<q/>");
    const QVariantMap reset = args({{"srcFilePath", "p.xml"}, {"desFilePath", "sub/q.xml"}});
    QCOMPARE(f.run(&ProfileCommands::resetProfile, reset).text, QStringLiteral("resetProfile success"));
    f.run(&ProfileCommands::resetProfile, args({{"srcFilePath", "sub/q.xml"}, {"desFilePath", "p.xml"}}));
    QVERIFY(QDir(f.path("sub")).removeRecursively());
    QCOMPARE(f.run(&ProfileCommands::savexml, {}).answers, 0);
    QCOMPARE(f.pendingPaths, (QStringList{f.path("sub/q.xml"), f.path("p.xml")}));
    QCOMPARE(f.readFile("p.xml"), kButtons);

    QVERIFY(QDir(f.dir.path()).mkdir("sub"));
    QCOMPARE(f.run(&ProfileCommands::savexml, {}).text, QStringLiteral("save xml success"));
    QVERIFY(f.pendingPaths.isEmpty());
    QCOMPARE(f.readFile("sub/q.xml"), QString::fromUtf8(kButtons).replace("\r\n", "\n").toUtf8());
}

QTEST_GUILESS_MAIN(ProfileCommandsTest)
#include "tst_profilecommands.moc"
