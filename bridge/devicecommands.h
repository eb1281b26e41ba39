#pragma once

#include "browser/querycallback.h"

#include <QVariantMap>

class vesk;

// Device commands: device list, properties and memory through the device handler.
class DeviceCommands {
public:
    explicit DeviceCommands(vesk& window);

    void getDevicesList(const QVariantMap& args, const QueryCallbackPtr& callback);
    void readDevicesProp(const QVariantMap& args, const QueryCallbackPtr& callback);
    void writeDevicesProp(const QVariantMap& args, const QueryCallbackPtr& callback);
    void readByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);
    void writeByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);
    void notifyDevice(const QVariantMap& args, const QueryCallbackPtr& callback);
    void isPropEmpty(const QVariantMap& args, const QueryCallbackPtr& callback);
    void cleanMacroByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);
    void writeMacroByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);

private:
    vesk& m_window;
};
