#pragma once

#include "device/devices_handler.h"
#include "device/simfixture.h"
#include "update/firmwareflasher.h"
#include "update/firmwareimage.h"

#include "app/cefapplication.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// The firmware calls the flasher makes, recorded on their way to the real simulated mouse.
// A test may hook a call to act in the middle of a flash (unplug the mouse, say).
struct FirmwareCalls {
    struct Block {
        int count;
        int offset;
    };
    QList<Block> blocks;
    int resets = 0, erases = 0, checks = 0, finishes = 0;
    qint64 resetAt = -1, eraseAt = -1;
    std::function<void()> afterReset;
    std::function<void(int block)> afterBlock;
    QElapsedTimer clock;

    HxResetFn reset = nullptr;
    HxEraseRomFn erase = nullptr;
    HxBornRomFn born = nullptr;
    HxCheckRomFn check = nullptr;
    HxFinishUpdateRomFn finish = nullptr;

    static FirmwareCalls*& current()
    {
        static FirmwareCalls* calls = nullptr;
        return calls;
    }

    // Puts the recorders in front of the handler's entry points.
    void attach(devices_handler& handler)
    {
        current() = this;
        clock.start();
        reset = handler.hxReset;
        erase = handler.hxEraseRom;
        born = handler.hxBornRom;
        check = handler.hxCheckRom;
        finish = handler.hxFinishUpdateRom;
        handler.hxReset = [](const char16_t* id, const char16_t* key, int code, uint16_t mode, uint8_t* status,
                             int reserved) {
            FirmwareCalls* c = current();
            ++c->resets;
            c->resetAt = c->clock.elapsed();
            const int r = c->reset(id, key, code, mode, status, reserved);
            if (c->afterReset)
                c->afterReset();
            return r;
        };
        handler.hxEraseRom = [](const char16_t* id, const char16_t* key, int code) {
            FirmwareCalls* c = current();
            ++c->erases;
            c->eraseAt = c->clock.elapsed();
            return c->erase(id, key, code);
        };
        handler.hxBornRom = [](const char16_t* id, const char16_t* key, int code, uint8_t* block, int count,
                               int offset) {
            FirmwareCalls* c = current();
            c->blocks.append({count, offset});
            const int r = c->born(id, key, code, block, count, offset);
            if (c->afterBlock)
                c->afterBlock(c->blocks.size());
            return r;
        };
        handler.hxCheckRom = [](const char16_t* id, const char16_t* key, int code, int length, uint32_t check) {
            ++current()->checks;
            return current()->check(id, key, code, length, check);
        };
        handler.hxFinishUpdateRom = [](const char16_t* id, const char16_t* key, int code) {
            ++current()->finishes;
            return current()->finish(id, key, code);
        };
    }

    // Gives the handler its own entry points back.
    void detach(devices_handler& handler) const
    {
        handler.hxReset = reset;
        handler.hxEraseRom = erase;
        handler.hxBornRom = born;
        handler.hxCheckRom = check;
        handler.hxFinishUpdateRom = finish;
    }

    int sent() const { return resets + erases + blocks.size() + checks + finishes; }
};

// One mouse "M1" in the simulator, a work directory with the firmware ready folder, and a
// flasher whose label texts are recorded.
class FlashBench {
public:
    static constexpr const char* Serial = "M1";
    static QString hardwareId() { return QStringLiteral("HID\\Vid_1e5f&Pid_7a30&Sn_M1"); }

    // `flashDelayMs`: how long the mouse takes to restart into and out of flashing mode.
    explicit FlashBench(int flashDelayMs = 50)
        : sim({{"HX-BRIMLOCK-M1", "V1.2.0", Serial, hardwareId(), true}}), delay(setFlashDelay(flashDelayMs)),
          handler(nullptr, SimFixture::libraryPath())
    {
        cefApplication::workDir = work.path() + QLatin1Char('/');
        QDir().mkpath(readyFolder());
    }

    static QString readyFolder() { return cefApplication::workDir + QStringLiteral("tupdates/firmware/ready"); }

    void writeImage(const QByteArray& image) const
    {
        QFile file(readyFolder() + QStringLiteral("/update.bin"));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(image);
    }

    // Runs a whole flash of the first device (or of `id`); returns the label texts in order.
    QStringList flash(const QString& id = hardwareId())
    {
        QStringList shown;
        FirmwareFlasher flasher(&handler, [&shown](const QString& text) { shown << text; });
        flasher.flashFirmware(id);
        return shown;
    }

    QString state() const { return sim.status(QLatin1String(Serial)).section(QLatin1Char(' '), 1, 1); }
    QString firmware() const
    {
        const QString line = sim.status(QLatin1String(Serial));
        const int at = line.indexOf(QLatin1String("firmware="));
        return at < 0 ? QString() : line.mid(at + 9).section(QLatin1Char(' '), 0, 0);
    }
    static QString firmwareOf(const QByteArray& data)
    {
        return QStringLiteral("%1:%2").arg(data.size()).arg(firmwareimage::crc32(data), 8, 16, QLatin1Char('0'));
    }

    QTemporaryDir work;
    SimFixture sim;
    int delay; // set in the simulator's configuration before the library first reads it
    devices_handler handler;

private:
    static int setFlashDelay(int ms)
    {
        QFile config(qEnvironmentVariable("HXSIM_CONFIG"));
        if (!config.open(QIODevice::ReadOnly))
            return -1;
        QJsonObject json = QJsonDocument::fromJson(config.readAll()).object();
        config.close();
        json.insert("flashDelayMs", ms);
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return -1;
        config.write(QJsonDocument(json).toJson());
        return ms;
    }
};
