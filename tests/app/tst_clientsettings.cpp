#include "app/clientsettings.h"
#include "app/textfile.h"

#include <QtTest>

class ClientSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void missingFile();
    void textFileWrite();
    void textFileWriteFailsKeepsOld();

private:
    QString write(const QByteArray& bytes);
    QTemporaryDir m_dir;
};

QString ClientSettingsTest::write(const QByteArray& bytes)
{
    const QString path = m_dir.filePath(QStringLiteral("conf.xml"));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
    return path;
}

void ClientSettingsTest::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("hasText");
    QTest::newRow("client attributes") << QByteArray("<root><client clientSize=\"800,600\" language=\"en\"/></root>")
                                       << QStringList{"IpAddress", "MacAddress", "clientSize", "language"} << true;
    QTest::newRow("no attributes") << QByteArray("<root><client/></root>") << QStringList{"IpAddress", "MacAddress"}
                                   << true;
    QTest::newRow("not well-formed") << QByteArray("<root><client a=\"1\"></root>") << QStringList{} << false;
    QTest::newRow("first client only") << QByteArray("<root><client a=\"1\"/><client b=\"2\"/></root>")
                                       << QStringList{"IpAddress", "MacAddress", "a"} << true;
    QTest::newRow("utf-8 values") << QByteArray("<root><client name=\"\xe4\xba\xa7\"/></root>")
                                  << QStringList{"IpAddress", "MacAddress", "name"} << true;
}

void ClientSettingsTest::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, keys);
    QFETCH(bool, hasText);
    const clientsettings::Settings s = clientsettings::read(write(file));
    QCOMPARE(QStringList(s.table.keys()), keys);
    QCOMPARE(!s.text.isEmpty(), hasText);
    if (hasText)
        QCOMPARE(s.text.toUtf8(), file);
    if (keys.contains(QStringLiteral("name")))
        QCOMPARE(s.table.value(QStringLiteral("name")), QString::fromUtf8("\xe4\xba\xa7"));
}

void ClientSettingsTest::missingFile()
{
    const clientsettings::Settings s = clientsettings::read(m_dir.filePath(QStringLiteral("absent.xml")));
    QVERIFY(s.table.isEmpty());
    QVERIFY(s.text.isEmpty());
}

void ClientSettingsTest::textFileWrite()
{
    const QString path = m_dir.filePath(QStringLiteral("out.xml"));
    QVERIFY(textfile::write(path, QString::fromUtf8("<a>\xe4\xba\xa7</a>\n")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(!bytes.startsWith("\xef\xbb\xbf"));
    QCOMPARE(bytes, QByteArray("<a>\xe4\xba\xa7</a>\n"));
}

void ClientSettingsTest::textFileWriteFailsKeepsOld()
{
    // A target that is a folder cannot be replaced: the write fails and the folder stays.
    const QString path = m_dir.filePath(QStringLiteral("folder.xml"));
    QVERIFY(QDir().mkpath(path));
    QVERIFY(!textfile::write(path, QStringLiteral("new")));
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(!textfile::write(m_dir.filePath(QStringLiteral("missing/profile.xml")), QStringLiteral("x")));
}

QTEST_GUILESS_MAIN(ClientSettingsTest)
#include "tst_clientsettings.moc"
