#include "hxsim/protocol.h"
#include "hxsim/simconfig.h"
#include "hxsim/simulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

#include <memory>
#include <vector>

using namespace hxsim;

namespace {

const QString kId = "HID\\Vid_1e5f&Pid_7a30&Sn_S1";
const QString kLoader = QString::fromLatin1(protocol::kLoaderHardwareId);

HxSelection selection(uint32_t first, uint32_t second)
{
    HxSelection s{};
    s.words[0] = first;
    s.words[1] = second;
    return s;
}

// The events and reports the simulator hands to its callbacks, collected by plain functions.
std::vector<int> g_events;
std::vector<QByteArray> g_reports;
bool recordEvent(int code)
{
    g_events.push_back(code);
    return true;
}
bool recordReport(const HxDataReport* report, void*)
{
    g_reports.emplace_back(reinterpret_cast<const char*>(report->data), report->length);
    return true;
}

} // namespace

// One simulator over a temporary state folder; posted work runs when the test says so, in
// posting order, with its delay recorded.
class SimTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_state;
    std::vector<std::pair<int, Simulator::Task>> m_posted;

    std::unique_ptr<Simulator> make(const Config& config)
    {
        auto sim = std::make_unique<Simulator>(config, m_state.path(), [this](int delay, Simulator::Task task) {
            m_posted.emplace_back(delay, std::move(task));
        });
        sim->onDeviceEvent(&recordEvent);
        return sim;
    }

    static Config oneMouse()
    {
        Config config = defaultConfig();
        config.devices[0].serial = "S1";
        config.devices[0].hardwareId = kId;
        return config;
    }

    // Runs what has been posted so far, and what that posts in turn.
    void runPosted()
    {
        while (!m_posted.empty()) {
            auto posted = std::move(m_posted);
            m_posted.clear();
            for (auto& p : posted)
                p.second();
        }
    }

private slots:
    void init()
    {
        QDir(m_state.path()).removeRecursively();
        QDir().mkpath(m_state.path());
        m_posted.clear();
        g_events.clear();
        g_reports.clear();
    }

    void configSkipsWhatCannotBeSimulated_data()
    {
        QTest::addColumn<QString>("device");
        QTest::newRow("serial with a slash") << R"("SN": "../x", "HardwareID": "H2")";
        QTest::newRow("no serial") << R"("HardwareID": "H2")";
        QTest::newRow("DeviceID too long")
            << R"("SN": "S2", "HardwareID": "H2", "DeviceID": "0123456789012345678901234567890123456789X")";
        QTest::newRow("MASK too long") << R"("SN": "S2", "HardwareID": "H2", "MASK": "abc")";
        QTest::newRow("no HardwareID") << R"("SN": "S2")";
        QTest::newRow("duplicate HardwareID") << R"("SN": "S2", "HardwareID": "H1")";
        QTest::newRow("duplicate SN") << R"("SN": "S1", "HardwareID": "H2")";
        QTest::newRow("the flashing mode's ID") << R"("SN": "S2", "HardwareID": "HID\\Vid_1e5f&Pid_7a31")";
    }

    void configSkipsWhatCannotBeSimulated()
    {
        QFETCH(QString, device);
        const QByteArray json = QStringLiteral(R"({"flashDelayMs": 5, "devices": [
            {"SN": "S1", "HardwareID": "H1", "DeviceID": "0123456789012345678901234567890123456789", "MASK": "ab"},
            {%1}]})")
                                    .arg(device)
                                    .toUtf8();
        const Config config = parseConfig(json);
        QCOMPARE(int(config.devices.size()), 1);
        QCOMPARE(config.devices[0].serial, QString("S1")); // full-width fields are fine
        QCOMPARE(config.flashDelayMs, 5);
        QCOMPARE(config.problems.size(), 1);
    }

    void configThatIsNotJsonHasNoDevices()
    {
        const Config config = parseConfig("[device]\nSN=1");
        QVERIFY(config.devices.empty());
        QCOMPARE(config.problems.size(), 1);
    }

    void recordsFollowTheLayoutAndTheSelection()
    {
        Config config = oneMouse();
        config.devices[0].mask = "ab";
        auto sim = make(config);
        std::vector<uint8_t> list(hx::kListSize, 0);
        QCOMPARE(sim->devices(selection(hx::kSelectDevice, 0), list.data(), hx::kListSize), 1);
        QCOMPARE(int(list[0]), 1);
        const uint8_t* r = list.data() + 2;
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r), 15), QByteArray("HX-BRIMLOCK-M1\0", 15));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r + 40), 7), QByteArray("V1.2.0\0", 7));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r + 57), 3), QByteArray("S1\0", 3));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r + 71), 3), QByteArray("ab\0", 3)); // no room for a zero
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(r + 1595)), kId);
        QCOMPARE(int(r[1085]), int('\\'));

        std::fill(list.begin(), list.end(), 0);
        QCOMPARE(sim->devices(selection(hx::kSelectLoader, 0), list.data(), hx::kListSize), 0);
        QCOMPARE(sim->devices(selection(hx::kSelectDevice, 0), list.data(), hx::kListSize - 1), -kBadArgument);
    }

    void memoryAndPropertiesSurviveARestart()
    {
        const uint8_t data[3] = {0x0A, 0xFF, 0x01};
        {
            auto sim = make(oneMouse());
            QCOMPARE(sim->write(kId, data, 3, 0x1F00), int(kOk));
            QCOMPARE(sim->writeProp(kId, data, 1, protocol::kPropPolling), int(kOk));
        }
        auto sim = make(oneMouse());
        uint8_t back[3] = {};
        QCOMPARE(sim->read(kId, back, 3, 0x1F00), int(kOk));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(back), 3), QByteArray("\x0a\xff\x01", 3));
        QCOMPARE(sim->readProp(kId, back, 1, protocol::kPropPolling), int(kOk));
        QCOMPARE(int(back[0]), 0x0A);
    }

    void damagedStateGivesFactoryContents()
    {
        QDir().mkpath(m_state.filePath("S1"));
        QFile memory(m_state.filePath("S1/memory.bin"));
        QVERIFY(memory.open(QIODevice::WriteOnly));
        memory.write("short");
        memory.close();
        auto sim = make(oneMouse());
        uint8_t entry[4] = {};
        QCOMPARE(sim->read(kId, entry, 4, 0), int(kOk));
        QCOMPARE(int(entry[0]), int(protocol::kActionMouse));
        QCOMPARE(int(entry[1]), 1);
    }

    void outOfRangeCallsFailAndChangeNothing_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("count");
        QTest::newRow("past the end") << 0xFFFE << 3;
        QTest::newRow("negative address") << -1 << 1;
        QTest::newRow("negative count") << 0 << -1;
        QTest::newRow("huge address") << 0x7FFFFFFF << 2;
    }

    void outOfRangeCallsFailAndChangeNothing()
    {
        QFETCH(int, address);
        QFETCH(int, count);
        auto sim = make(oneMouse());
        uint8_t data[4] = {1, 2, 3, 4};
        QCOMPARE(sim->write(kId, data, count, address), int(kBadArgument));
        uint8_t out[4] = {9, 9, 9, 9};
        QCOMPARE(sim->read(kId, out, count, address), int(kBadArgument));
        QCOMPARE(int(out[0]), 9);
        QVERIFY(!QFile::exists(m_state.filePath("S1/memory.bin")));
    }

    void propertiesRefuseWhatTheMouseCannotHold()
    {
        auto sim = make(oneMouse());
        uint8_t data[65] = {};
        QCOMPARE(sim->writeProp(kId, data, 1, protocol::kPropInfo), int(kBadArgument));
        QCOMPARE(sim->writeProp(kId, data, 65, protocol::kPropLighting), int(kBadArgument));
        QCOMPARE(sim->writeProp(kId, data, 1, 256), int(kBadArgument));
        QCOMPARE(sim->readProp(kId, data, 65, protocol::kPropLighting), int(kBadArgument));
        QCOMPARE(sim->readProp("HID\\nobody", data, 1, protocol::kPropLighting), int(kNoDevice));
    }

    void notificationsChangeStateAndReport()
    {
        auto sim = make(oneMouse());
        sim->onDeviceData(kId, &recordReport);
        QCOMPARE(sim->notify(kId, protocol::kNotifyDpi, 2), int(kOk));
        QCOMPARE(sim->notify(kId, protocol::kNotifyMode, 5), int(kBadArgument));
        QCOMPARE(sim->notify(kId, 0x7F, 0), int(kBadArgument));
        runPosted();
        QCOMPARE(int(g_reports.size()), 1);
        QCOMPARE(g_reports[0].toHex(), QByteArray("0202400600000000")); // stage 2: 1600 DPI
        uint8_t stage = 0xFF;
        sim->readProp(kId, &stage, 1, protocol::kPropDpi);
        QCOMPARE(int(stage), 2);
    }

    void controlPlugsAndDelivers()
    {
        auto sim = make(oneMouse());
        QVERIFY(sim->control("data S1 0102").startsWith("ERR")); // not subscribed
        sim->onDeviceData(kId, &recordReport);
        QCOMPARE(sim->control("data S1 0102"), QString("OK"));
        QVERIFY(sim->control("data S1 012").startsWith("ERR"));
        runPosted();
        QCOMPARE(int(g_reports.size()), 1);
        QCOMPARE(g_reports[0].toHex(), QByteArray("0102000000000000"));
        QCOMPARE(sim->control("unplug S1"), QString("OK"));
        QVERIFY(sim->control("unplug S1").startsWith("ERR"));
        QCOMPARE(sim->deviceExist(kId), int(kNoDevice));
        QCOMPARE(sim->control("plug S1"), QString("OK"));
        QCOMPARE(sim->control("event 0x12345"), QString("OK"));
        QVERIFY(sim->control("frobnicate").startsWith("ERR"));
        QVERIFY(sim->control("plug NOPE").startsWith("ERR"));
        runPosted();
        QCOMPARE(g_events, (std::vector<int>{protocol::kEventRemoval, protocol::kEventArrival, 0x12345}));
        QVERIFY(sim->control("list").contains("S1 normal subscribed=no")); // replugging ends it
        QCOMPARE(sim->control("read S1 0 2"), QString("0101\nOK"));
    }

    void flashingWritesVerifiesAndRestarts()
    {
        auto sim = make(oneMouse());
        QCOMPARE(sim->reset(kId, 1), int(kOk));
        QCOMPARE(sim->deviceExist(kLoader), int(kNoDevice)); // still restarting
        QCOMPARE(int(m_posted.size()), 2);
        QCOMPARE(m_posted[1].first, 1000);
        runPosted();
        QCOMPARE(g_events, (std::vector<int>{protocol::kEventRemoval, protocol::kEventArrival}));
        QCOMPARE(sim->deviceExist(kLoader), int(kOk));
        QCOMPARE(sim->deviceExist(kId), int(kNoDevice));
        std::vector<uint8_t> list(hx::kListSize, 0);
        QCOMPARE(sim->devices(selection(hx::kSelectDevice, hx::kSelectLoader), list.data(), hx::kListSize), 1);
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(list.data() + 2 + 1595)), kLoader);

        QByteArray image(2500, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7);
        std::vector<uint8_t> block(hx::kTransferSize, 0);
        QCOMPARE(sim->bornRom(kLoader, block.data(), 10, 0), int(kWrongState)); // not erased
        QCOMPARE(sim->eraseRom(kLoader), int(kOk));
        std::copy(image.begin(), image.begin() + 2000, block.begin());
        QCOMPARE(sim->bornRom(kLoader, block.data(), 2000, 0), int(kOk));
        std::copy(image.begin() + 2000, image.end(), block.begin());
        QCOMPARE(sim->bornRom(kLoader, block.data(), 500, 2000), int(kOk));
        QCOMPARE(sim->bornRom(kLoader, block.data(), 2001, 0), int(kBadArgument));
        const uint32_t check = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(image.constData()), 2500));
        QCOMPARE(sim->finishUpdateRom(kLoader), int(kWrongState)); // not verified
        QCOMPARE(sim->checkRom(kLoader, 2500, check + 1), int(kNoDevice));
        QCOMPARE(sim->checkRom(kLoader, 2501, check), int(kNoDevice)); // longer than written
        QCOMPARE(sim->checkRom(kLoader, 2500, check), int(kOk));
        QCOMPARE(sim->finishUpdateRom(kLoader), int(kOk));
        runPosted();
        QCOMPARE(sim->deviceExist(kId), int(kOk));
        QCOMPARE(sim->deviceExist(kLoader), int(kNoDevice));
        QFile saved(m_state.filePath("S1/firmware.bin"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), image);
        QVERIFY(sim->control("list").contains(QString("firmware=2500:%1").arg(check, 8, 16, QChar('0'))));
    }

    void unplugDuringRestartCancelsIt()
    {
        auto sim = make(oneMouse());
        QCOMPARE(sim->reset(kId, 1), int(kOk));
        QCOMPARE(sim->reset(kId, 1), int(kNoDevice));
        QCOMPARE(sim->control("unplug S1"), QString("OK"));
        runPosted();
        QCOMPARE(sim->deviceExist(kLoader), int(kNoDevice));
        QCOMPARE(sim->control("plug S1"), QString("OK"));
        QCOMPARE(sim->deviceExist(kId), int(kOk));
        QCOMPARE(sim->reset(kId, 2), int(kBadArgument));
    }
};

QTEST_GUILESS_MAIN(SimTest)
#include "tst_hxsim.moc"
