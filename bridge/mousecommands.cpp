#include "bridge/mousecommands.h"

#include "bridge/vesk.h"

MouseCommands::MouseCommands(vesk& window) : m_window(window) {}

// Not built yet: these commands do nothing until their family lands.
void MouseCommands::modifyMouseSpeed(const QVariantMap&, const QueryCallbackPtr&) {}

void MouseCommands::modifyMouseScrollLines(const QVariantMap&, const QueryCallbackPtr&) {}

void MouseCommands::modifyMouseDoubleClick(const QVariantMap&, const QueryCallbackPtr&) {}

void MouseCommands::startRecord(const QVariantMap&, const QueryCallbackPtr&) {}

void MouseCommands::stopRecord(const QVariantMap&, const QueryCallbackPtr&) {}
