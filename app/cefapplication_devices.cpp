#include "app/cefapplication.h"

#include "device/devices_handler.h"

#include <QMutexLocker>

// The device table follows the device handler's list.
void cefApplication::createDeviceHandler()
{
    m_deviceHandler = new devices_handler(this);
}

void cefApplication::refreshDevices()
{
    QMutexLocker locker(&m_devicesLock);
    m_devices.clear();
}
