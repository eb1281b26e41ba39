#include "bridge/mousecommands.h"

#include "bridge/commandargs.h"
#include "bridge/vesk.h"
#include "desktop/macrorecorder.h"
#include "desktop/mousesettings.h"

#include <QApplication>

MouseCommands::MouseCommands(vesk& window) : m_window(window) {}

void MouseCommands::modifyMouseSpeed(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!commandargs::hasAll(args, {"speednum"}))
        return;
    if (mousesettings::setPointerSpeed(commandargs::integer(args, QStringLiteral("speednum"))))
        vesk::replySuccess(callback, QStringLiteral("modifyMouseSpeed success"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("modifyMouseSpeed failed"));
}

void MouseCommands::modifyMouseScrollLines(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!commandargs::hasAll(args, {"linenum"}))
        return;
    const int lines = commandargs::integer(args, QStringLiteral("linenum"));
    if (!mousesettings::setWheelScrollLines(lines)) {
        vesk::replyFailure(callback, 0, QStringLiteral("modifyMouseScrollLines failed"));
        return;
    }
    QApplication::setWheelScrollLines(lines);
    vesk::replySuccess(callback, QStringLiteral("modifyMouseScrollLines success"));
}

void MouseCommands::modifyMouseDoubleClick(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!commandargs::hasAll(args, {"position"}))
        return;
    const int position = commandargs::integer(args, QStringLiteral("position"));
    if (!mousesettings::setDoubleClickIndex(position)) {
        vesk::replyFailure(callback, 0, QStringLiteral("modifyMouseDoubleClick failed"));
        return;
    }
    QApplication::setDoubleClickInterval(mousesettings::doubleClickMilliseconds(position));
    vesk::replySuccess(callback, QStringLiteral("modifyMouseDoubleClick success"));
}

void MouseCommands::startRecord(const QVariantMap&, const QueryCallbackPtr& callback)
{
    startMacroRecord(); // the page is told that recording started either way
    vesk::replySuccess(callback, QStringLiteral("startRecord success!"));
}

void MouseCommands::stopRecord(const QVariantMap&, const QueryCallbackPtr& callback)
{
    stopMacroRecord();
    vesk::replySuccess(callback, QStringLiteral("stopRecord success"));
}
