#include "bridge/devicecommands.h"
#include "device/devices_handler.h"

#include "simfixture.h"

#include <QtTest>

#include <climits>
#include <memory>

namespace {
const QString kM1 = "HID\\Vid_1e5f&Pid_7a30&Sn_M1";
const QString kOther = "HID\\Vid_1e5f&Pid_7a30&Sn_X1";
const QString kSettings = QString::fromUtf8(R"(<?xml version="1.0" encoding="UTF-8"?>
<root>
  <client language="en" />
  <device deviceId="HX-BRIMLOCK-M1">
    <info name="其他" productType="wrong" />
    <info name="产品信息" productType="mouse" productName="Brimlock M1" productCN="布里姆洛克 M1" device="M1" />
  </device>
</root>)");
} // namespace

using Command = void (DeviceCommands::*)(const QVariantMap&, const QueryCallbackPtr&);
Q_DECLARE_METATYPE(Command)

class DeviceCommandsTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> m_sim;
    std::unique_ptr<devices_handler> m_handler;
    QString m_settings = kSettings;

    Reply run(Command command, const QVariantMap& args, devices_handler* handler)
    {
        DeviceCommands commands(handler, [this] { return m_settings; });
        Reply reply;
        (commands.*command)(args, reply.callback());
        return reply;
    }
    Reply run(Command command, const QVariantMap& args) { return run(command, args, m_handler.get()); }

    static QVariantMap memory(const QString& address, int size, const QString& data = QString())
    {
        QVariantMap args{{"HardwareID", kM1}, {"DevicePath", ""}, {"PARAMSIZE", size}, {"PARAMADDRESS", address}};
        if (!data.isNull())
            args.insert("PARAMDATA", data);
        return args;
    }

    static QVariantMap property(int number, int size, const QString& data = QString())
    {
        QVariantMap args{{"HardwareID", kM1}, {"DevicePath", ""}, {"PARAMSIZE", size}, {"PARAMID", number}};
        if (!data.isNull())
            args.insert("PARAMDATA", data);
        return args;
    }

    QString readBack(const QString& address, int size)
    {
        return run(&DeviceCommands::readByAddr, memory(address, size)).text;
    }

private slots:
    void initTestCase()
    {
        m_sim = std::make_unique<SimFixture>(QList<SimFixture::Device>{
            {"HX-BRIMLOCK-M1", "V1.2.0", "M1", kM1, true},
            {"HX-UNLISTED", "V2.0.0", "X1", kOther, true},
        });
        m_handler = std::make_unique<devices_handler>(nullptr, SimFixture::libraryPath());
        QVERIFY(m_handler->isLoaded());
    }

    void init() { m_settings = kSettings; }

    void listWithProductInformation()
    {
        const Reply reply = run(&DeviceCommands::getDevicesList, {{"Version", ""}});
        QVERIFY(reply.success);
        const QJsonArray devices = QJsonDocument::fromJson(reply.text.toUtf8()).array();
        QCOMPARE(devices.size(), 2);
        const QJsonObject m1 = devices.at(0).toObject();
        QCOMPARE(m1.value("DeviceID").toString(), QString("HX-BRIMLOCK-M1"));
        QCOMPARE(m1.value("HardwareID").toString(), kM1);
        QCOMPARE(m1.value("productType").toString(), QString("mouse"));
        QCOMPARE(m1.value("productCN").toString(), QString::fromUtf8("布里姆洛克 M1"));
        QCOMPARE(m1.value("description").toString(), QString()); // attribute missing
        const QJsonObject other = devices.at(1).toObject();
        for (const char* key : {"productType", "productName", "productCN", "description", "device"})
            QCOMPARE(other.value(key).toString(), QString());
        QCOMPARE(other.keys().size(), 11);
        // Compact, keys in sorted order.
        QVERIFY(reply.text.startsWith("[{\"DeviceID\":\"HX-BRIMLOCK-M1\",\"DevicePath\":"));
    }

    void listReplies_data()
    {
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<bool>("goodSettings");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("text");
        const QString failed = "queryProfile load xml file failed!";
        QTest::newRow("no Version lists nothing") << QVariantMap{} << true << true << "[]";
        QTest::newRow("bad settings") << QVariantMap{{"Version", ""}} << false << false << failed;
        QTest::newRow("bad settings, no Version") << QVariantMap{} << false << false << failed;
    }

    void listReplies()
    {
        QFETCH(QVariantMap, args);
        QFETCH(bool, goodSettings);
        QFETCH(bool, success);
        QFETCH(QString, text);
        if (!goodSettings)
            m_settings = "<root><unclosed></root>";
        const Reply reply = run(&DeviceCommands::getDevicesList, args);
        QCOMPARE(reply.answers, 1);
        QCOMPARE(reply.success, success);
        QCOMPARE(reply.text, text);
        if (!success)
            QCOMPARE(reply.code, 0);
    }

    void listWithoutDevicesNeverParsesTheSettings()
    {
        m_settings = "not xml";
        devices_handler missing(nullptr, "/nonexistent/libhx.so");
        const Reply reply = run(&DeviceCommands::getDevicesList, {{"Version", "V1"}}, &missing);
        QVERIFY(reply.success);
        QCOMPARE(reply.text, QString("[]"));
    }

    void listSubscribesOnlyWithAMatchingVersion()
    {
        run(&DeviceCommands::getDevicesList, {});
        QVERIFY(m_sim->status("M1").contains("subscribed=no"));
        run(&DeviceCommands::getDevicesList, {{"Version", ""}});
        QVERIFY(m_sim->status("M1").contains("subscribed=no"));
        run(&DeviceCommands::getDevicesList, {{"Version", "V1.2.0"}});
        QVERIFY(m_sim->status("M1").contains("subscribed=yes"));
        QVERIFY(m_sim->status("X1").contains("subscribed=no"));
    }

    void hexPrefix_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "1f00" << 7936;
        QTest::newRow("prefix, upper case") << "0x1F00" << 7936;
        QTest::newRow("blanks and trailing junk") << " 0x1f00zz" << 7936;
        QTest::newRow("no digits") << "zz" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("negative") << "-10" << -16;
        QTest::newRow("too large stops at the limit") << "100000000" << INT_MAX;
        QTest::newRow("too small stops at the limit") << "-100000000" << INT_MIN;
    }

    void hexPrefix()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(DeviceCommands::hexPrefix(text), value);
    }

    void memoryWriteThenRead()
    {
        Reply reply = run(&DeviceCommands::writeByAddr, memory("0x1F00", 3, "0A,FF,00"));
        QVERIFY(reply.success);
        QCOMPARE(reply.text, QString("writeByAddr success!"));
        QCOMPARE(readBack(" 0x1f00zz", 3), QString("0x0a,0xff,0x00"));
        QCOMPARE(readBack("1f00", 0), QString());
        QCOMPARE(readBack("1f00", -4), QString());
        // Fewer items than bytes: the missing ones are written as zero.
        QVERIFY(run(&DeviceCommands::writeByAddr, memory("1f00", 3, "7")).success);
        QCOMPARE(readBack("1f00", 3), QString("0x07,0x00,0x00"));
    }

    void byteItemsAreReadPerCommand_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("asProperty");
        QTest::addColumn<QString>("asMemory");
        QTest::newRow("trailing junk") << "0x1zz"
                                       << "0x00"
                                       << "0x01";
        QTest::newRow("low 8 bits") << "1FF"
                                    << "0xff"
                                    << "0xff";
        QTest::newRow("blanks") << " 0x2a "
                                << "0x2a"
                                << "0x2a";
        QTest::newRow("negative") << "-1"
                                  << "0xff"
                                  << "0xff";
    }

    void byteItemsAreReadPerCommand()
    {
        QFETCH(QString, item);
        QFETCH(QString, asProperty);
        QFETCH(QString, asMemory);
        QVERIFY(run(&DeviceCommands::writeDevicesProp, property(0x15, 1, item)).success);
        QCOMPARE(run(&DeviceCommands::readDevicesProp, property(0x15, 1)).text, asProperty);
        QVERIFY(run(&DeviceCommands::writeByAddr, memory("3000", 1, item)).success);
        QCOMPARE(readBack("3000", 1), asMemory);
    }

    void propertyReadsAndFailures()
    {
        // The mouse's information block is read-only.
        QCOMPARE(run(&DeviceCommands::readDevicesProp, property(0x00, 4)).text, QString("0x01,0x01,0x02,0x00"));
        Reply reply = run(&DeviceCommands::writeDevicesProp, property(0x00, 1, "5"));
        QVERIFY(!reply.success);
        QCOMPARE(reply.code, 0);
        QCOMPARE(reply.text, QString("writeDevicesProp failed!"));
        QCOMPARE(run(&DeviceCommands::readDevicesProp, property(0x00, 4)).text, QString("0x01,0x01,0x02,0x00"));
        reply = run(&DeviceCommands::writeDevicesProp, property(0x12, 1, "3"));
        QCOMPARE(reply.text, QString("writeDevicesProp success!"));
        QCOMPARE(run(&DeviceCommands::readDevicesProp, property(0x12, 1)).text, QString("0x03"));
    }

    void macroMemory()
    {
        QVERIFY(run(&DeviceCommands::cleanMacroByAddr, memory("1100", 16)).success);
        QCOMPARE(run(&DeviceCommands::isPropEmpty, memory("1100", 16)).text, QString("true"));
        Reply reply = run(&DeviceCommands::writeMacroByAddr, memory("1100", 4, "2,4,0,1e"));
        QVERIFY(reply.success);
        QCOMPARE(reply.text, QString("true"));
        QCOMPARE(readBack("1100", 4), QString("0x02,0x04,0x00,0x1e"));
        QCOMPARE(run(&DeviceCommands::isPropEmpty, memory("1100", 16)).text, QString("false"));
        // In use: the page gets its own address text back and nothing is written.
        reply = run(&DeviceCommands::writeMacroByAddr, memory("0x1100 ", 4, "9,9,9,9"));
        QVERIFY(reply.success);
        QCOMPARE(reply.text, QString("0x1100 "));
        QCOMPARE(readBack("1100", 4), QString("0x02,0x04,0x00,0x1e"));
        reply = run(&DeviceCommands::cleanMacroByAddr, memory("1100", 16));
        QCOMPARE(reply.text, QString("cleanMacroByAddr success!"));
        QCOMPARE(run(&DeviceCommands::isPropEmpty, memory("1100", 16)).text, QString("true"));
    }

    void oversizedCountStaysInTheBuffer()
    {
        const QString list = readBack("0", 5000);
        QCOMPARE(list.count(','), 2047);
        QVERIFY(run(&DeviceCommands::cleanMacroByAddr, memory("1200", 100000)).success);
    }

    void notify_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QVariant>("type");
        QTest::addColumn<bool>("success");
        QTest::newRow("identify") << kM1 << QVariant(3) << true;
        QTest::newRow("cut to 8 bits") << kM1 << QVariant(0x103) << true;
        QTest::newRow("type as text") << kM1 << QVariant("3") << true;
        QTest::newRow("unknown type") << kM1 << QVariant(9) << false;
        QTest::newRow("no such device") << "HID\\nobody" << QVariant(3) << false;
    }

    void notify()
    {
        QFETCH(QString, id);
        QFETCH(QVariant, type);
        QFETCH(bool, success);
        const Reply reply =
            run(&DeviceCommands::notifyDevice, {{"HardwareID", id}, {"NotifyType", type}, {"NotifyData", 0}});
        QCOMPARE(reply.success, success);
        QCOMPARE(reply.text, success ? QString("notifyDevice success!") : QString("notifyDevice failed!"));
    }

    void missingKeyGetsNoAnswer_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QVariantMap>("args");
        QTest::addColumn<QString>("missing");
        const QVariantMap all{{"HardwareID", kM1}, {"DevicePath", ""},    {"PARAMSIZE", 1},  {"PARAMID", 0x15},
                              {"PARAMDATA", "1"},  {"PARAMADDRESS", "0"}, {"NotifyType", 3}, {"NotifyData", 0}};
        QTest::newRow("readDevicesProp PARAMID") << &DeviceCommands::readDevicesProp << all << "PARAMID";
        QTest::newRow("writeDevicesProp PARAMDATA") << &DeviceCommands::writeDevicesProp << all << "PARAMDATA";
        QTest::newRow("readByAddr DevicePath") << &DeviceCommands::readByAddr << all << "DevicePath";
        QTest::newRow("writeByAddr PARAMADDRESS") << &DeviceCommands::writeByAddr << all << "PARAMADDRESS";
        QTest::newRow("notifyDevice NotifyData") << &DeviceCommands::notifyDevice << all << "NotifyData";
        QTest::newRow("isPropEmpty PARAMSIZE") << &DeviceCommands::isPropEmpty << all << "PARAMSIZE";
        QTest::newRow("cleanMacroByAddr HardwareID") << &DeviceCommands::cleanMacroByAddr << all << "HardwareID";
        QTest::newRow("writeMacroByAddr PARAMDATA") << &DeviceCommands::writeMacroByAddr << all << "PARAMDATA";
    }

    void missingKeyGetsNoAnswer()
    {
        QFETCH(Command, command);
        QFETCH(QVariantMap, args);
        QFETCH(QString, missing);
        QCOMPARE(run(command, args).answers, 1);
        args.remove(missing);
        QCOMPARE(run(command, args).answers, 0);
    }

    void withoutLibrary_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<bool>("success");
        QTest::addColumn<QString>("text");
        QTest::newRow("readDevicesProp") << &DeviceCommands::readDevicesProp << true << "0x00,0x00";
        QTest::newRow("writeDevicesProp") << &DeviceCommands::writeDevicesProp << false << "writeDevicesProp failed!";
        QTest::newRow("readByAddr") << &DeviceCommands::readByAddr << true << "0x00,0x00";
        QTest::newRow("writeByAddr") << &DeviceCommands::writeByAddr << false << "writeByAddr failed!";
        QTest::newRow("notifyDevice") << &DeviceCommands::notifyDevice << false << "notifyDevice failed!";
        QTest::newRow("isPropEmpty") << &DeviceCommands::isPropEmpty << true << "true";
        QTest::newRow("cleanMacroByAddr") << &DeviceCommands::cleanMacroByAddr << false << "cleanMacroByAddr failed!";
        QTest::newRow("writeMacroByAddr") << &DeviceCommands::writeMacroByAddr << false << "writeMacroByAddr failed!";
        QTest::newRow("getDevicesList") << &DeviceCommands::getDevicesList << true << "[]";
    }

    void withoutLibrary()
    {
        QFETCH(Command, command);
        QFETCH(bool, success);
        QFETCH(QString, text);
        const QVariantMap args{{"HardwareID", kM1}, {"DevicePath", ""},   {"PARAMSIZE", 2},
                               {"PARAMID", 0x12},   {"PARAMDATA", "1,2"}, {"PARAMADDRESS", "0"},
                               {"NotifyType", 3},   {"NotifyData", 0},    {"Version", ""}};
        devices_handler missing(nullptr, "/nonexistent/libhx.so");
        for (devices_handler* handler : {&missing, static_cast<devices_handler*>(nullptr)}) {
            const Reply reply = run(command, args, handler);
            QCOMPARE(reply.answers, 1);
            QCOMPARE(reply.success, success);
            QCOMPARE(reply.text, text);
        }
    }
};

QTEST_GUILESS_MAIN(DeviceCommandsTest)
#include "tst_devicecommands.moc"
