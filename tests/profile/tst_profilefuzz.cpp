#include "profilefixture.h"

#include <random>

namespace {

const QByteArray kDocument =
    "<profiles><profile index=\"0\" name=\"A\"><buttons><button index=\"0\" code=\"0x02,%,0x00,%\"/>"
    "<button index=\"1\" code=\"0x01\">t<![CDATA[c]]></button></buttons><macros><macro id=\"1\">"
    "<k v=\"1\"/><k v=\"2\"/></macro></macros></profile><profile index=\"1\"/></profiles>";

const QStringList kXpaths = {"//button[@index='1']",
                             "/profiles/profile[1]/buttons/button",
                             "//macro/k[last()]",
                             "//*[@v > 1] | //button/@code",
                             "//k/ancestor-or-self::*",
                             "//node()[position() mod 2 = 0]",
                             "count(//k)",
                             "//profile[not(@name)]/following::*",
                             "//text()",
                             "/"};

const QStringList kTokens = {"/",      "//",    "[",      "]",        "(",      ")",       "@",   "*",      "|",
                             "::",     "..",    ".",      "'",        "\"",     "=",       "!=",  "<",      ">",
                             "and",    "or",    "mod",    "div",      "-",      "+",       "$v",  "last()", "text()",
                             "node()", "child", "parent", "ancestor", "count(", "concat(", "1e9", "-0",     "\xc3\xa9"};

// Mutates `input` with a few random byte flips, insertions, deletions, truncations and
// splices of `tokens`.
QByteArray mutate(QByteArray input, std::mt19937& rng, const QStringList& tokens)
{
    const int edits = 1 + int(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        const int at = input.isEmpty() ? 0 : int(rng() % uint(input.size()));
        switch (rng() % 6) {
        case 0:
            if (!input.isEmpty())
                input[at] = char(input[at] ^ (1 << (rng() % 8)));
            break;
        case 1: input.insert(at, char(rng() % 256)); break;
        case 2: input.remove(at, 1 + int(rng() % 8)); break;
        case 3: input.truncate(at); break;
        case 4:
            if (!tokens.isEmpty())
                input.insert(at, tokens.at(int(rng() % uint(tokens.size()))).toUtf8());
            break;
        default: input.insert(at, input.mid(int(rng() % uint(input.size() + 1)), int(rng() % 16))); break;
        }
    }
    return input;
}

} // namespace

class ProfileFuzzTest : public QObject {
    Q_OBJECT
private slots:
    void mutatedProfileFiles();
    void mutatedXpaths();
};

// Mutated profile files are either imported or answer the import failure with nothing changed.
void ProfileFuzzTest::mutatedProfileFiles()
{
    ProfileFixture f;
    std::mt19937 rng(20261211);
    const QByteArray good = profilefile::encode(kDocument);
    const QString target = f.path("t.xml");
    const QString original = QStringLiteral("<t><slot/></t>");
    QVariantMap request = {{"desFilePath", "t.xml"}, {"srcXpath", "/"}, {"desXpath", "/t/slot"}};
    // Mutating the Base64 text itself as well as the stream around it reaches the XML parser.
    const QStringList base64Tokens = {"=", "==", "A", "/", "+", "PA==", "Pg==", "PC9"};
    int imported = 0;
    for (int i = 0; i < 60000; ++i) {
        const QByteArray bytes = i % 2 ? mutate(good, rng, base64Tokens)
                                       : profilefile::encode(mutate(kDocument, rng, {"<", ">", "</", "/>", "&", "\""}));
        // A new file each time: rewriting one file in place makes the file system flush it.
        const QString name = QStringLiteral("m%1.pfd").arg(i);
        f.writeFile(name, bytes);
        request.insert("srcFilePath", f.path(name));
        f.documents.insert(target, original);
        f.pendingPaths.clear();
        const ReplyRecorder reply = f.run(&ProfileCommands::modifyReplaceProfileEx, request);
        QFile::remove(f.path(name));
        QCOMPARE(reply.answers, 1);
        if (reply.success) {
            ++imported;
            QCOMPARE(f.pendingPaths, QStringList{target});
        } else {
            QCOMPARE(reply.text, QStringLiteral("modifyReplaceProfile load xml file failed!"));
            QCOMPARE(f.documents.value(target), original);
            QVERIFY(f.pendingPaths.isEmpty());
        }
    }
    qInfo("%d of 60000 mutated profile files imported", imported);
}

// Mutated expressions through every selecting command: an answer each time and no crash.
// "modifyProfile" is left out only because it also sets the desktop's double-click time; its
// selection is the one the others use.
void ProfileFuzzTest::mutatedXpaths()
{
    ProfileFixture f;
    std::mt19937 rng(4);
    const QString path = f.path("p.xml");
    const QStringList commands = {"queryProfile",     "nodeCounterProfile", "modifyProfileEx", "modifyRemoveProfile",
                                  "modifyAddProfile", "queryHexByte",       "saveXmlAs",       "modifyReplaceProfile"};
    int rejected = 0;
    for (int i = 0; i < 50000; ++i) {
        const QString xpath =
            QString::fromUtf8(mutate(kXpaths.at(int(rng() % uint(kXpaths.size()))).toUtf8(), rng, kTokens));
        const QString command = commands.at(i % commands.size());
        f.documents.insert(path, QString::fromUtf8(kDocument));
        const QVariantMap request = {{"filePath", "p.xml"},
                                     {"srcFilePath", "p.xml"},
                                     // Exports end at the write, which only costs time here.
                                     {"desFilePath", command == "saveXmlAs" ? f.path("none/out.pfd") : "p.xml"},
                                     {"xpath", xpath},
                                     {"srcXpath", xpath},
                                     {"desXpath", xpath},
                                     {"attribute", "v;code"},
                                     {"attributeValue", "9"},
                                     {"addNodeName", "n"},
                                     {"subTreeString", "<x/>y"},
                                     {"args", "1"}};
        const ReplyRecorder reply = f.run(commandNamed(command), request);
        QCOMPARE(reply.answers, 1);
        if (!reply.success) {
            ++rejected;
            QCOMPARE(f.documents.value(path), QString::fromUtf8(kDocument));
        }
    }
    qInfo("%d of 50000 mutated expressions rejected", rejected);
}

QTEST_GUILESS_MAIN(ProfileFuzzTest)
#include "tst_profilefuzz.moc"
