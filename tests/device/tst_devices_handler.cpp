#include "device/devices_handler.h"

#include "simfixture.h"

#include <QtTest>

#include <algorithm>
#include <memory>

namespace {
const QString kIdA = "HID\\Vid_1e5f&Pid_7a30&Sn_A1";
const QString kIdB = "HID\\Vid_1e5f&Pid_7a30&Sn_B1";
} // namespace

class DevicesHandlerTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SimFixture> m_sim;

    QList<int> m_events;
    QStringList m_data;

    // A fresh handler whose signals are recorded on this thread, as the program receives them.
    std::unique_ptr<devices_handler> newHandler()
    {
        QTest::qWait(100); // let events of earlier steps reach the old handler first
        auto handler = std::make_unique<devices_handler>(nullptr, SimFixture::libraryPath());
        m_events.clear();
        m_data.clear();
        connect(handler.get(), &devices_handler::deviceEvent, this, [this](int code) { m_events << code; });
        connect(handler.get(), &devices_handler::deviceData, this, [this](const QString& hex) { m_data << hex; });
        return handler;
    }

    void replug(const QString& serial)
    {
        QVERIFY(!m_sim->control({"unplug", serial}).isNull());
        QVERIFY(!m_sim->control({"plug", serial}).isNull());
    }

private slots:
    void initTestCase()
    {
        m_sim = std::make_unique<SimFixture>(QList<SimFixture::Device>{
            {"HX-BRIMLOCK-M1", "V1.2.0", "A1", kIdA, true},
            {"HX-OTHER", "V9.9.1", "B1", kIdB, true},
            {"HX-BRIMLOCK-M1", "", "C1", "HID\\Vid_1e5f&Pid_7a30&Sn_C1", true},
            {"HX-SPARE", "V1.2.0", "D1", "HID\\Vid_1e5f&Pid_7a30&Sn_D1", false},
            {"HX-BETA", "V3.0.0-beta.777", "E1", "HID\\Vid_1e5f&Pid_7a30&Sn_E1", true},
        });
        QVERIFY(QFile::exists(SimFixture::libraryPath()));
    }

    void withoutLibraryEverythingIsEmpty()
    {
        devices_handler handler(nullptr, "/nonexistent/libhx.so");
        QVERIFY(!handler.isLoaded());
        QVERIFY(!handler.hxDevices && !handler.hxRead && !handler.hxWrite && !handler.hxNotify);
        const DeviceList list = handler.listDevices("V1.2.0");
        QVERIFY(std::all_of(list.bytes.begin(), list.bytes.end(), [](uint8_t b) { return b == 0; }));
        uint8_t buffer[4] = {};
        QVERIFY(!handler.writeBytes(u"x", buffer, 4, 0));
        QVERIFY(!handler.notify(u"x", 1, 1));
    }

    void listsPluggedDevicesWithTheirFields()
    {
        const auto handler = newHandler();
        QVERIFY(handler->hxDevices && handler->hxFinishUpdateRom);
        const DeviceList list = handler->listDevices(QString());
        QCOMPARE(devicelist::count(list), 4);
        const DeviceRecord a = devicelist::record(list, 0);
        QCOMPARE(a.DeviceID, QString("HX-BRIMLOCK-M1"));
        QCOMPARE(a.Version, QString("V1.2.0"));
        QCOMPARE(a.SN, QString("A1"));
        QCOMPARE(a.MASK, QString("01"));
        QCOMPARE(a.HardwareID, kIdA);
        QCOMPARE(a.DevicePath, QString("\\\\?\\hid#a1"));
        QCOMPARE(devicelist::record(list, 2).Version, QString());
    }

    void subscribesByVersionPrefix_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("subscribed");
        QTest::newRow("one of two") << "V1.2.0;V1.3.0" << QStringList{"A1"};
        QTest::newRow("version longer than the filter") << "V1.2;V1.3" << QStringList{};
        QTest::newRow("only 14 bytes count") << "V3.0.0-beta.77" << QStringList{"E1"};
        QTest::newRow("empty filter") << "" << QStringList{};
        QTest::newRow("both full versions") << "V9.9.1 V1.2.0" << QStringList{"A1", "B1"};
        QTest::newRow("filter shorter than the versions") << "V" << QStringList{};
        QTest::newRow("case matters") << "v1.2.0" << QStringList{};
    }

    void subscribesByVersionPrefix()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, subscribed);
        for (const QString& serial : {"A1", "B1", "C1", "E1"})
            replug(serial); // plugging a device in again ends its subscription
        const auto handler = newHandler();
        handler->listDevices(filter);
        for (const QString& serial : {"A1", "B1", "C1", "E1"})
            QCOMPARE(m_sim->status(serial).contains("subscribed=yes"), subscribed.contains(serial));
    }

    void passesOnlyEveryFifthEventWithItsLow16Bits()
    {
        const auto handler = newHandler();
        for (int i = 0; i < 11; ++i)
            QVERIFY(!m_sim->control({"event", QString::number(0x58000 + i)}).isNull());
        QTRY_COMPARE(m_events.size(), 3);
        QTest::qWait(200);
        QCOMPARE(m_events.size(), 3);
        QCOMPARE(m_events.at(0), 0x8000); // unsigned: arrival codes stay positive
        QCOMPARE(m_events.at(1), 0x8005);
        QCOMPARE(m_events.at(2), 0x800A);
    }

    void unplugAndPlugAreDeviceEvents()
    {
        const auto handler = newHandler();
        QVERIFY(!m_sim->control({"plug", "D1"}).isNull());
        QTRY_COMPARE(m_events.size(), 1);
        QCOMPARE(m_events.at(0), 0x8000);
        QCOMPARE(devicelist::count(handler->listDevices(QString())), 5);
        QVERIFY(!m_sim->control({"unplug", "D1"}).isNull());
        QCOMPARE(devicelist::count(handler->listDevices(QString())), 4);
    }

    void dataReportsBecomeHexText()
    {
        replug("A1");
        const auto handler = newHandler();
        // Not subscribed yet: the simulator refuses to deliver.
        QVERIFY(m_sim->control({"data", "A1", "0123456789abcdef"}).isNull());
        handler->listDevices("V1.2.0");
        QVERIFY(!m_sim->control({"data", "A1", "0123456789ABCDEF0011"}).isNull());
        QTRY_COMPARE(m_data.size(), 1);
        QCOMPARE(m_data.at(0), QString("0123456789abcdef"));
        // A mode change asked of the mouse comes back as its report.
        QVERIFY(handler->notify(reinterpret_cast<const char16_t*>(kIdA.utf16()), 0x01, 3));
        QTRY_COMPARE(m_data.size(), 2);
        QCOMPARE(m_data.at(1), QString("0103000000000000"));
    }

    void shortReportIsPaddedNotOverread()
    {
        const auto handler = newHandler();
        const uint8_t bytes[3] = {0xAA, 0xBB, 0xCC};
        const HxDataReport report{bytes, 3};
        QVERIFY(devices_handler::deviceDataCallback(&report, nullptr));
        QCOMPARE(m_data.size(), 1);
        QCOMPARE(m_data.at(0), QString("aabbcc0000000000"));
    }

    void memoryWrappersReachTheDevice()
    {
        const auto handler = newHandler();
        const char16_t* id = reinterpret_cast<const char16_t*>(kIdB.utf16());
        uint8_t data[3] = {0x0A, 0xFF, 0x01};
        QVERIFY(handler->writeBytes(id, data, 3, 0x2000));
        uint8_t back[3] = {};
        QCOMPARE(handler->readBytes(back, id, 3, 0x2000), back);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(back), 3), QByteArray("\x0a\xff\x01", 3));
        QVERIFY(!handler->writeBytes(u"HID\\nobody", data, 3, 0x2000));
        QVERIFY(!handler->writeBytes(id, data, 3, 0xFFFF)); // past the end of the memory
    }
};

QTEST_GUILESS_MAIN(DevicesHandlerTest)
#include "tst_devices_handler.moc"
