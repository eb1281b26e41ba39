#pragma once

#include "browser/querycallback.h"

#include <QString>
#include <QVariantMap>

#include <functional>

class devices_handler;
class vesk;

// Device commands: device list, properties and memory through the device handler.
class DeviceCommands {
public:
    // Uses the application object's device handler and settings text.
    explicit DeviceCommands(vesk& window);
    DeviceCommands(devices_handler* handler, std::function<QString()> settingsText);

    void getDevicesList(const QVariantMap& args, const QueryCallbackPtr& callback);
    void readDevicesProp(const QVariantMap& args, const QueryCallbackPtr& callback);
    void writeDevicesProp(const QVariantMap& args, const QueryCallbackPtr& callback);
    void readByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);
    void writeByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);
    void notifyDevice(const QVariantMap& args, const QueryCallbackPtr& callback);
    void isPropEmpty(const QVariantMap& args, const QueryCallbackPtr& callback);
    void cleanMacroByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);
    void writeMacroByAddr(const QVariantMap& args, const QueryCallbackPtr& callback);

    // "PARAMADDRESS" and the items of "writeByAddr": C's strtol in base 16 on a 32-bit long,
    // so a valid beginning counts and values out of range stop at the limits.
    static int hexPrefix(const QString& text);

private:
    devices_handler* m_handler;
    std::function<QString()> m_settingsText;
};
