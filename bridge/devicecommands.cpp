#include "bridge/devicecommands.h"

#include "bridge/vesk.h"

DeviceCommands::DeviceCommands(vesk& window) : m_window(window) {}

// Not built yet: these commands do nothing until their family lands.
void DeviceCommands::getDevicesList(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::readDevicesProp(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::writeDevicesProp(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::readByAddr(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::writeByAddr(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::notifyDevice(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::isPropEmpty(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::cleanMacroByAddr(const QVariantMap&, const QueryCallbackPtr&) {}

void DeviceCommands::writeMacroByAddr(const QVariantMap&, const QueryCallbackPtr&) {}
