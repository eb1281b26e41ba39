#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class devices_handler;

// Writes "update.bin" from the firmware ready folder into the mouse through the device
// library: reset into flashing mode, look for the mouse at about 4, 8 and 13 s, erase, write
// blocks of up to 2000 bytes, verify, start. Runs on the main thread and keeps processing
// events while it waits; the steps are reported as texts for the dialog's label.
class FirmwareFlasher {
public:
    using ShowText = std::function<void(const QString&)>;
    // Milliseconds since midnight.
    using TimeOfDay = std::function<int()>;

    FirmwareFlasher(devices_handler* library, ShowText show);
    ~FirmwareFlasher();

    // `hardwareId` is the first device of the application's device table (empty when none).
    void flashFirmware(const QString& hardwareId);
    bool loadFirmwareImage();
    bool writeFirmwareBlocks();
    // False when the flasher was destroyed while it waited (the dialog went away): the caller
    // then returns without touching anything.
    bool pumpEventsFor(int ms);

    // The deadline `ms` after `now`, both in milliseconds since midnight, wrapping at midnight.
    static int deadlineAfter(int now, int ms);
    void setTimeOfDay(TimeOfDay timeOfDay) { m_timeOfDay = std::move(timeOfDay); }

    static QString imagePath();
    static const char16_t flashDeviceId[];

    QByteArray firmwareImage;

private:
    bool flashingModeFound();
    bool deviceExists(const char16_t* id) const;

    devices_handler* m_library;
    ShowText m_show;
    TimeOfDay m_timeOfDay;
    qint64 m_fileSize = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
