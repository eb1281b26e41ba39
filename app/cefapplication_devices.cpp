#include "app/cefapplication.h"

#include "browser/clienthandler.h"
#include "device/devices_handler.h"

#include <QMutexLocker>

// The handler's signals arrive on the main thread (the library calls back on its own), so the
// table refresh and the page events run there, in the order the library reported them.
void cefApplication::createDeviceHandler()
{
    m_deviceHandler = new devices_handler(this);
    connect(m_deviceHandler, &devices_handler::deviceEvent, this, [this](int code) {
        refreshDevices();
        if (ClientHandler* handler = clientHandler())
            handler->devicesChanged(code);
    });
    connect(m_deviceHandler, &devices_handler::deviceData, this, [](const QString& hex) {
        if (ClientHandler* handler = clientHandler())
            handler->onDeviceData(hex);
    });
}

void cefApplication::refreshDevices()
{
    const DeviceList list = m_deviceHandler->listDevices(QString());
    QMap<QString, DeviceEntry> devices;
    for (int i = 0; i < devicelist::count(list); ++i) {
        const DeviceRecord r = devicelist::record(list, i);
        devices.insert(r.DeviceID, DeviceEntry{r.DeviceID, r.SN, r.Version, r.HardwareID, r.DevicePath, r.MASK});
    }
    QMutexLocker locker(&m_devicesLock);
    m_devices = devices;
}
