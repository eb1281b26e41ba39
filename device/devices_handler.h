#pragma once

#include "device/devicelist.h"
#include "device/hxlib.h"

#include <QLibrary>
#include <QObject>
#include <QString>

#include <cstdint>

// The binding to the device-access library: its entry points, the device list, and the
// library's two callbacks turned into signals on the handler's thread.
class devices_handler : public QObject {
    Q_OBJECT
public:
    // Loads "libhx.so" from the application directory.
    explicit devices_handler(QObject* parent);
    devices_handler(QObject* parent, const QString& libraryPath);
    ~devices_handler() override;

    // Entry points: null when the library did not load or lacks the export.
    HxDevicesFn hxDevices = nullptr;
    HxOnDeviceEventFn hxOnDeviceEvent = nullptr;
    HxOnDeviceDataFn hxonDeviceData = nullptr;
    HxReadPropFn hxReadProp = nullptr;
    HxWritePropFn hxWriteProp = nullptr;
    HxReadFn hxRead = nullptr;
    HxWriteFn hxWrite = nullptr;
    HxNotifyFn hxNotify = nullptr;
    HxDeviceExistFn hxDeviceExist = nullptr;
    HxResetFn hxReset = nullptr;
    HxEraseRomFn hxEraseRom = nullptr;
    HxBornRomFn hxBornRom = nullptr;
    HxCheckRomFn hxCheckRom = nullptr;
    HxFinishUpdateRomFn hxFinishUpdateRom = nullptr;

    bool isLoaded() const { return m_library.isLoaded(); }

    // A fresh device list. Each device whose Version (its first 14 bytes) occurs in `filter`
    // is subscribed to data reports; an empty filter subscribes none.
    DeviceList listDevices(const QString& filter);

    uint8_t* readBytes(uint8_t* buffer, const char16_t* id, int count, int address);
    bool writeBytes(const char16_t* id, uint8_t* data, int count, int address);
    bool notify(const char16_t* id, uint8_t type, uint8_t data);

    // The library's callbacks; they may run on any thread.
    static bool deviceEventCallback(int code);
    static bool deviceDataCallback(const HxDataReport* report, void* ignored);

signals:
    // The first of every five device events, with the low 16 bits of its code.
    void deviceEvent(int code);
    // A data report's first eight bytes as 16 lower-case hexadecimal digits.
    void deviceData(const QString& hex);

private:
    void resolve();

    QLibrary m_library;
    int m_eventCount = 0; // guarded by the callbacks' lock
};
