#include "firmwarefixture.h"

#include <QtTest>

// A mouse that takes 6 s to restart into flashing mode: missed at the first look (about 4 s
// after the reset), found at the second (about 8 s) and flashed from there.
class tst_firmware_slowmouse : public QObject {
    Q_OBJECT

private slots:
    void foundAtTheSecondLook()
    {
        FlashBench bench(6000);
        QCOMPARE(bench.delay, 6000);
        FirmwareCalls calls;
        calls.attach(bench.handler);
        const QByteArray data(2500, 'f');
        bench.writeImage(firmwareimage::build(data));

        QCOMPARE(bench.flash(), (QStringList{"更新成功", "校验成功,启动设备。。。"}));
        const qint64 found = calls.eraseAt - calls.resetAt;
        QVERIFY2(found >= 7900 && found < 9000, qPrintable(QString::number(found)));
        QCOMPARE(calls.blocks.size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(bench.firmware(), FlashBench::firmwareOf(data), 15000);
        calls.detach(bench.handler);
    }
};

QTEST_MAIN(tst_firmware_slowmouse)
#include "tst_firmware_slowmouse.moc"
