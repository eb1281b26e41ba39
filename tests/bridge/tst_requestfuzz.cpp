#include "bridge/vesk.h"
#include "support/appfixture.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

namespace {

// Commands that open modal dialogs, start programs or end the process are left out: their
// effects are the point of them, not a fault.
const QStringList kSkipped = {"loadApp",           "openUrl",  "saveFileDialog", "openFileDialog",
                              "openFileDialogExe", "closeApp", "checkUpdate",    "startRecord"};

const QStringList kKeys = {
    "funcname", "path",    "xpath",    "attribute",  "attributeValue", "PARAMSIZE", "DATA", "propIndex",
    "address",  "size",    "url",      "confKey",    "confValue",      "code",      "args", "xml",
    "speednum", "linenum", "position", "sourcePath", "targetPath",     "mode"};

QStringList listing(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files << path + QLatin1Char(' ') + QString::number(QFileInfo(path).lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
}

class Fuzzer {
public:
    explicit Fuzzer(const QStringList& commands) : m_rng(20261211)
    {
        for (const QString& c : commands) {
            if (!kSkipped.contains(c))
                m_commands << c;
        }
    }

    QString next()
    {
        switch (m_rng.bounded(6)) {
        case 0: return randomText();
        case 1: return mutate(validRequest());
        case 2: return QString::fromUtf8(QJsonDocument(randomValue(0).toArray()).toJson(QJsonDocument::Compact));
        default: return validRequest();
        }
    }

private:
    QString validRequest()
    {
        QJsonObject o;
        o.insert(QStringLiteral("funcname"), m_commands.at(m_rng.bounded(m_commands.size())));
        const int extra = m_rng.bounded(6);
        for (int i = 0; i < extra; ++i)
            o.insert(kKeys.at(m_rng.bounded(kKeys.size())), randomValue(0));
        if (m_rng.bounded(3) == 0)
            o.remove(QStringLiteral("funcname"));
        if (!o.contains(QStringLiteral("funcname")) && m_rng.bounded(2))
            o.insert(QStringLiteral("funcname"), m_commands.at(m_rng.bounded(m_commands.size())));
        // A random path must never point outside the scratch folder.
        if (o.contains(QStringLiteral("path")))
            o.insert(QStringLiteral("path"), QStringLiteral("scratch/") + o.value(QStringLiteral("path")).toString());
        return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }

    QJsonValue randomValue(int depth)
    {
        switch (depth > 3 ? m_rng.bounded(4) : m_rng.bounded(7)) {
        case 0: return QJsonValue(static_cast<double>(static_cast<qint32>(m_rng.generate())));
        case 1: return QJsonValue(randomText());
        case 2: return QJsonValue(m_rng.bounded(2) == 1);
        case 3: return QJsonValue();
        case 4: {
            QJsonArray a;
            for (int i = m_rng.bounded(4); i > 0; --i)
                a.append(randomValue(depth + 1));
            return a;
        }
        case 5: {
            QJsonObject o;
            o.insert(kKeys.at(m_rng.bounded(kKeys.size())), randomValue(depth + 1));
            return o;
        }
        default: return QJsonValue(QStringLiteral("//*[@a='%']|%|..").repeated(m_rng.bounded(1, 4)));
        }
    }

    QString randomText()
    {
        static const QString alphabet = QStringLiteral("{}[]\":,%|/*@=.'\\ \t\n0123456789abcXYZ-+<>&\u00e9\u4e2d");
        QString s;
        const int n = m_rng.bounded(m_rng.bounded(10) == 0 ? 4000 : 40);
        for (int i = 0; i < n; ++i)
            s += alphabet.at(m_rng.bounded(alphabet.size()));
        return s;
    }

    QString mutate(QString s)
    {
        const int edits = m_rng.bounded(1, 4);
        for (int i = 0; i < edits && !s.isEmpty(); ++i) {
            const int pos = m_rng.bounded(s.size());
            switch (m_rng.bounded(3)) {
            case 0: s.remove(pos, m_rng.bounded(1, 4)); break;
            case 1: s.insert(pos, randomText().left(3)); break;
            default: s[pos] = QChar(static_cast<ushort>(m_rng.bounded(1, 0x3000)));
            }
        }
        return s;
    }

    QRandomGenerator m_rng;
    QStringList m_commands;
};

} // namespace

class RequestFuzzTest : public QObject {
    Q_OBJECT
private slots:
    void randomRequests();
};

void RequestFuzzTest::randomRequests()
{
    QTemporaryDir scratch;
    QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("scratch")));
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    const QString appDir = QCoreApplication::applicationDirPath();
    const QStringList appBefore = listing(appDir);
    const QStringList scratchBefore = listing(scratch.path());

    vesk window;
    Fuzzer fuzzer(window.commandNames());
    int answered = 0;
    for (int i = 0; i < 100000; ++i) {
        auto callback = std::make_shared<QueryCallback>([&answered](bool, int, const QString&) { ++answered; });
        window.onJsMessage(fuzzer.next(), callback);
        if (i % 1000 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    window.flushDocuments();

    QDir::setCurrent(oldCwd);
    QCOMPARE(listing(appDir), appBefore);
    QCOMPARE(listing(scratch.path()), scratchBefore);
    qInfo() << "requests answered:" << answered;
}

int main(int argc, char** argv)
{
    return runWithApplication<RequestFuzzTest>(argc, argv);
}
#include "tst_requestfuzz.moc"
