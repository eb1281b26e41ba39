#include "firmwarefixture.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

const QString kFlashing = QStringLiteral("正在更新固件，请勿插拔鼠标");
const QString kNotFound = QStringLiteral("鼠标更新失败。。。");
const QString kWritten = QStringLiteral("更新成功");
const QString kWriteFailed = QStringLiteral("更新失败");
const QString kVerified = QStringLiteral("校验成功,启动设备。。。");
const QString kVerifyFailed = QStringLiteral("校验失败，请重新更新");

QByteArray firmwareData(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator random(quint32(size) + 7);
    for (char& c : data)
        c = char(random.generate());
    return data;
}

QByteArray patched(QByteArray image, int offset, qint64 value, int width)
{
    if (width == 4)
        qToLittleEndian<quint32>(quint32(value), image.data() + offset);
    else
        qToLittleEndian<qint64>(value, image.data() + offset);
    return image;
}

} // namespace

class tst_firmware : public QObject {
    Q_OBJECT

    std::unique_ptr<FlashBench> bench;
    std::unique_ptr<FirmwareCalls> calls;

    void waitForNormal() { QTRY_COMPARE_WITH_TIMEOUT(bench->state(), QString("normal"), 10000); }

private slots:
    void initTestCase()
    {
        bench = std::make_unique<FlashBench>();
        QVERIFY(bench->handler.isLoaded());
        QCOMPARE(bench->state(), QString("normal"));
    }

    void init()
    {
        // Unplugging ends whatever the last test left the mouse doing; it comes back normal.
        bench->sim.control({"unplug", FlashBench::Serial});
        bench->sim.control({"plug", FlashBench::Serial});
        waitForNormal();
        if (calls)
            calls->detach(bench->handler);
        calls = std::make_unique<FirmwareCalls>();
        calls->attach(bench->handler);
    }

    // Blocks of up to 2000 bytes, the last one short, or of length 0 when the length is a
    // multiple of 2000; the mouse verifies the image and comes back running it.
    void writesVerifiesAndStarts_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("counts");
        QTest::newRow("2500 bytes") << 2500 << QList<int>{2000, 500};
        QTest::newRow("4000 bytes: a last block of 0") << 4000 << QList<int>{2000, 2000, 0};
        QTest::newRow("empty") << 0 << QList<int>{0};
        QList<int> full;
        for (int i = 0; i < 32; ++i)
            full << 2000;
        full << 1849;
        QTest::newRow("the whole data area") << 65849 << full;
    }
    void writesVerifiesAndStarts()
    {
        QFETCH(int, length);
        QFETCH(QList<int>, counts);
        const QByteArray data = firmwareData(length);
        bench->writeImage(firmwareimage::build(data));

        QCOMPARE(bench->flash(), (QStringList{kWritten, kVerified}));
        QCOMPARE(calls->blocks.size(), counts.size());
        for (int i = 0; i < counts.size(); ++i) {
            QCOMPARE(calls->blocks.at(i).count, counts.at(i));
            QCOMPARE(calls->blocks.at(i).offset, i * 2000);
        }
        QCOMPARE(calls->resets, 1);
        QCOMPARE(calls->erases, 1);
        QCOMPARE(calls->finishes, 1);
        // The first look, at about 4 s, finds a mouse that restarts in 50 ms.
        QVERIFY2(calls->eraseAt - calls->resetAt >= 3950 && calls->eraseAt - calls->resetAt < 4600,
                 qPrintable(QString::number(calls->eraseAt - calls->resetAt)));
        waitForNormal();
        QCOMPARE(bench->firmware(), FlashBench::firmwareOf(data));
    }

    // Images the mouse could not take: nothing is sent to it.
    void refusesBadImages_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QStringList>("shown");
        const QByteArray good = firmwareimage::build(firmwareData(3000));
        QTest::newRow("wrong magic") << patched(good, 0, 0x1017, 4) << QStringList();
        QTest::newRow("second word 1") << patched(good, 4, 1, 4) << QStringList();
        QTest::newRow("one byte") << QByteArray("\x16", 1) << QStringList();
        QTest::newRow("cut before its check value")
            << good.left(firmwareimage::CheckOffset + 3) << QStringList{kWriteFailed};
        QTest::newRow("negative length") << patched(good, firmwareimage::LengthOffset, -1, 8)
                                         << QStringList{kWriteFailed};
        QTest::newRow("length beyond the data area")
            << patched(good, firmwareimage::LengthOffset, firmwareimage::DataCapacity + 1, 8)
            << QStringList{kWriteFailed};
        QTest::newRow("length above 32 bits")
            << patched(good, firmwareimage::LengthOffset, qint64(1) << 32, 8) << QStringList{kWriteFailed};
        QTest::newRow("longer than an image") << good + QByteArray(1, 'x') << QStringList{kWriteFailed};
    }
    void refusesBadImages()
    {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, shown);
        const QString before = bench->firmware();
        bench->writeImage(image);
        QCOMPARE(bench->flash(), shown);
        QCOMPARE(calls->sent(), 0);
        QCOMPARE(bench->state(), QString("normal"));
        QCOMPARE(bench->firmware(), before);
    }

    void nothingHappensWithoutImageOrMouse()
    {
        QFile::remove(FlashBench::readyFolder() + "/update.bin");
        QCOMPARE(bench->flash(), QStringList());
        bench->writeImage(firmwareimage::build(firmwareData(100)));
        QCOMPARE(bench->flash("HID\\Vid_1e5f&Pid_7a30&Sn_NOBODY"), QStringList());
        // An empty device table names no mouse at all.
        QCOMPARE(bench->flash(QString()), QStringList{kNotFound});
        QCOMPARE(calls->sent(), 0);
    }

    void libraryWithoutBlockWrites()
    {
        bench->writeImage(firmwareimage::build(firmwareData(100)));
        bench->handler.hxBornRom = nullptr;
        QCOMPARE(bench->flash(), QStringList{kWriteFailed});
        QCOMPARE(calls->sent(), 0);
        QCOMPARE(bench->state(), QString("normal"));
    }

    // The mouse is unplugged while it restarts: it is looked for three times, never erased.
    void mouseDoesNotComeBack()
    {
        bench->writeImage(firmwareimage::build(firmwareData(100)));
        calls->afterReset = [this] { bench->sim.control({"unplug", FlashBench::Serial}); };
        QElapsedTimer took;
        took.start();
        QCOMPARE(bench->flash(), QStringList{kNotFound});
        QVERIFY2(took.elapsed() >= 12900 && took.elapsed() < 15000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(calls->erases, 0);
        QCOMPARE(calls->blocks.size(), 0);
    }

    void unpluggedDuringTheWrites()
    {
        const QString before = bench->firmware();
        bench->writeImage(firmwareimage::build(firmwareData(9000)));
        calls->afterBlock = [this](int block) {
            if (block == 2)
                bench->sim.control({"unplug", FlashBench::Serial});
        };
        QCOMPARE(bench->flash(), (QStringList{kWriteFailed, kVerifyFailed}));
        QCOMPARE(calls->blocks.size(), 5);
        QCOMPARE(calls->finishes, 0);
        QCOMPARE(bench->firmware(), before);
    }

    // The dialog that holds the flasher may be deleted while a wait processes events.
    void flasherDeletedWhileWaiting()
    {
        bench->writeImage(firmwareimage::build(firmwareData(100)));
        QStringList shown;
        auto* flasher = new FirmwareFlasher(&bench->handler, [&shown](const QString& text) { shown << text; });
        QTimer::singleShot(300, [flasher] { delete flasher; });
        flasher->flashFirmware(FlashBench::hardwareId());
        QCOMPARE(shown, QStringList());
        QCOMPARE(calls->erases, 0);
    }

    void waitsWrapAtMidnight_data()
    {
        QTest::addColumn<int>("now");
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("deadline");
        QTest::newRow("midday") << 43200000 << 4000 << 43204000;
        QTest::newRow("past midnight") << 86399000 << 4000 << 3000;
        QTest::newRow("just before midnight") << 86395999 << 4000 << 86399999;
    }
    void waitsWrapAtMidnight()
    {
        QFETCH(int, now);
        QFETCH(int, ms);
        QFETCH(int, deadline);
        QCOMPARE(FirmwareFlasher::deadlineAfter(now, ms), deadline);
    }

    void waitEndsAtOnceWhenItsDeadlineIsPastMidnight()
    {
        FirmwareFlasher flasher(&bench->handler, [](const QString&) {});
        flasher.setTimeOfDay([] { return 86399000; });
        QElapsedTimer took;
        took.start();
        QVERIFY(flasher.pumpEventsFor(4000));
        QVERIFY(took.elapsed() < 100);
    }

    void waitKeepsProcessingEvents()
    {
        FirmwareFlasher flasher(&bench->handler, [](const QString&) {});
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
        timer.start(50);
        QElapsedTimer took;
        took.start();
        QVERIFY(flasher.pumpEventsFor(500));
        QVERIFY2(took.elapsed() >= 495 && took.elapsed() < 800, qPrintable(QString::number(took.elapsed())));
        QVERIFY2(ticks >= 7, qPrintable(QString::number(ticks)));
    }
};

QTEST_MAIN(tst_firmware)
#include "tst_firmware.moc"
