#include "bridge/profilecommands.h"

#include "bridge/vesk.h"

ProfileCommands::ProfileCommands(vesk& window) : m_window(window) {}

// Not built yet: these commands do nothing until their family lands.
void ProfileCommands::queryProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::nodeCounterProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::modifyProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::modifyProfileEx(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::modifyRemoveProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::modifyAddProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::modifyReplaceProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::modifyReplaceProfileEx(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::resetProfile(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::queryHexByte(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::savexml(const QVariantMap&, const QueryCallbackPtr&) {}

void ProfileCommands::saveXmlAs(const QVariantMap&, const QueryCallbackPtr&) {}
