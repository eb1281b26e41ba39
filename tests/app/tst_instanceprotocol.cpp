#include "app/instanceprotocol.h"

#include <QtTest>

class InstanceProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void takeCommands_data();
    void takeCommands();
    void replyProcessId_data();
    void replyProcessId();
    void windowTitle_data();
    void windowTitle();
};

void InstanceProtocolTest::takeCommands_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QByteArray>("rest");
    QTest::newRow("one show") << QByteArray("CMD:show;") << QStringList{"show"} << QByteArray();
    QTest::newRow("two in one write") << QByteArray("CMD:show;CMD:ping;") << QStringList{"show", "ping"}
                                      << QByteArray();
    QTest::newRow("unterminated waits") << QByteArray("CMD:sh") << QStringList{} << QByteArray("CMD:sh");
    QTest::newRow("complete then partial") << QByteArray("CMD:show;CMD:") << QStringList{"show"} << QByteArray("CMD:");
    QTest::newRow("non-commands skipped") << QByteArray("hello;CMD:show;;x") << QStringList{"show"} << QByteArray("x");
    QTest::newRow("case-sensitive prefix") << QByteArray("cmd:show;") << QStringList{} << QByteArray();
    QTest::newRow("empty") << QByteArray() << QStringList{} << QByteArray();
}

void InstanceProtocolTest::takeCommands()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, commands);
    QFETCH(QByteArray, rest);
    QStringList seen;
    instanceprotocol::takeCommands(input, [&](const QString& c) { seen << c; });
    QCOMPARE(seen, commands);
    QCOMPARE(input, rest);
}

void InstanceProtocolTest::replyProcessId_data()
{
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<quint64>("pid");
    QTest::newRow("reply") << "RES:4242;" << true << quint64(4242);
    QTest::newRow("partial") << "RES:42" << false << quint64(0);
    QTest::newRow("zero") << "RES:0;" << true << quint64(0);
    QTest::newRow("garbage before") << "xRES:12;" << true << quint64(0);
    QTest::newRow("two replies") << "RES:1;RES:2;" << true << quint64(0);
    QTest::newRow("huge") << "RES:99999999999999999999999;" << true << quint64(0);
}

void InstanceProtocolTest::replyProcessId()
{
    QFETCH(QString, buffer);
    QFETCH(bool, complete);
    QFETCH(quint64, pid);
    bool isComplete = false;
    QCOMPARE(instanceprotocol::replyProcessId(buffer, &isComplete), pid);
    QCOMPARE(isComplete, complete);
}

void InstanceProtocolTest::windowTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("matches");
    QTest::newRow("name") << "vesk" << true;
    QTest::newRow("numbered") << "vesk (2)" << true;
    QTest::newRow("numbered no space") << "vesk(12)" << true;
    QTest::newRow("product title") << "Brimlock Driver" << true;
    QTest::newRow("name with word") << "vesk Driver" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("other case") << "Vesk" << false;
    QTest::newRow("too long") << QString(1024, QLatin1Char('v')) << false;
}

void InstanceProtocolTest::windowTitle()
{
    QFETCH(QString, title);
    QFETCH(bool, matches);
    QCOMPARE(instanceprotocol::isInstanceWindowTitle(title), matches);
}

QTEST_GUILESS_MAIN(InstanceProtocolTest)
#include "tst_instanceprotocol.moc"
