#include "desktop/autostart.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

namespace {

QString entryLine(const QString& text, const QString& key)
{
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QString();
}

} // namespace

class AutostartTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void entryPath_data();
    void entryPath();
    void execLine_data();
    void execLine();
    void enableWritesTheEntry();
    void enableTwiceGivesTheSameEntry();
    void disableRemovesTheEntry();
    void disableWithoutEntry();
    void unwritableConfigFolder();

private:
    QString entryFile() const { return m_config->filePath(QStringLiteral("autostart/lumora.desktop")); }
    std::unique_ptr<QTemporaryDir> m_config;
};

void AutostartTest::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", m_config->path().toLocal8Bit());
}

void AutostartTest::cleanup()
{
    m_config.reset();
}

void AutostartTest::entryPath_data()
{
    QTest::addColumn<QByteArray>("xdgConfigHome");
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QString>("path");
    QTest::newRow("config home") << QByteArray("/cfg") << QByteArray("/home/u") << "/cfg/autostart/lumora.desktop";
    QTest::newRow("home only") << QByteArray() << QByteArray("/home/u") << "/home/u/.config/autostart/lumora.desktop";
    QTest::newRow("relative config home")
        << QByteArray("cfg") << QByteArray("/home/u") << "/home/u/.config/autostart/lumora.desktop";
    QTest::newRow("nothing usable") << QByteArray() << QByteArray("") << QString();
}

void AutostartTest::entryPath()
{
    QFETCH(QByteArray, xdgConfigHome);
    QFETCH(QByteArray, home);
    QFETCH(QString, path);
    const std::string result =
        autostart::entryPath(xdgConfigHome.isNull() ? nullptr : xdgConfigHome.constData(), home.constData());
    QCOMPARE(QString::fromStdString(result), path);
}

void AutostartTest::execLine_data()
{
    QTest::addColumn<QString>("appDir");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << "/opt/brimlock"
                           << "\"/opt/brimlock/vesk\" -autostart";
    QTest::newRow("trailing slash") << "/opt/brimlock/"
                                    << "\"/opt/brimlock/vesk\" -autostart";
    QTest::newRow("blank") << "/opt/Brimlock Driver"
                           << "\"/opt/Brimlock Driver/vesk\" -autostart";
    // Inside quotes " ` $ \ take a backslash; the string value then doubles every backslash,
    // and % is doubled for the field codes.
    QTest::newRow("specials") << "/opt/a\"b`c$d\\e%f"
                              << "\"/opt/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f/vesk\" -autostart";
}

void AutostartTest::execLine()
{
    QFETCH(QString, appDir);
    QFETCH(QString, exec);
    const QString text = QString::fromStdString(autostart::entryText(appDir.toStdString()));
    QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    QCOMPARE(entryLine(text, QStringLiteral("Type")), QStringLiteral("Application"));
    QCOMPARE(entryLine(text, QStringLiteral("Exec")), exec);
}

void AutostartTest::enableWritesTheEntry()
{
    autostart::setAutoStart(true);
    QFile file(entryFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QCOMPARE(entryLine(text, QStringLiteral("Exec")),
             QStringLiteral("\"%1/vesk\" -autostart").arg(QCoreApplication::applicationDirPath()));
    QCOMPARE(entryLine(text, QStringLiteral("Name")), QStringLiteral("Brimlock Driver"));
}

void AutostartTest::enableTwiceGivesTheSameEntry()
{
    autostart::setAutoStart(true);
    QFile file(entryFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray first = file.readAll();
    file.close();
    autostart::setAutoStart(true);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first);
    QCOMPARE(QDir(m_config->filePath(QStringLiteral("autostart"))).entryList(QDir::Files),
             QStringList{QStringLiteral("lumora.desktop")});
}

void AutostartTest::disableRemovesTheEntry()
{
    autostart::setAutoStart(true);
    QVERIFY(QFileInfo::exists(entryFile()));
    autostart::setAutoStart(false);
    QVERIFY(!QFileInfo::exists(entryFile()));
}

void AutostartTest::disableWithoutEntry()
{
    autostart::setAutoStart(false);
    QVERIFY(!QFileInfo::exists(entryFile()));
    QVERIFY(QDir(m_config->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// A config "folder" that is a file: nothing is written and nothing breaks.
void AutostartTest::unwritableConfigFolder()
{
    const QString blocker = m_config->filePath(QStringLiteral("blocker"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    qputenv("XDG_CONFIG_HOME", blocker.toLocal8Bit());
    autostart::setAutoStart(true);
    autostart::setAutoStart(false);
    QVERIFY(QFileInfo(blocker).isFile());
    QCOMPARE(QDir(m_config->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("blocker")});
}

QTEST_GUILESS_MAIN(AutostartTest)
#include "tst_autostart.moc"
