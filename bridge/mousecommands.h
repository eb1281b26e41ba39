#pragma once

#include "browser/querycallback.h"

#include <QVariantMap>

class vesk;

// System mouse settings and macro recording commands.
class MouseCommands {
public:
    explicit MouseCommands(vesk& window);

    void modifyMouseSpeed(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyMouseScrollLines(const QVariantMap& args, const QueryCallbackPtr& callback);
    void modifyMouseDoubleClick(const QVariantMap& args, const QueryCallbackPtr& callback);
    void startRecord(const QVariantMap& args, const QueryCallbackPtr& callback);
    void stopRecord(const QVariantMap& args, const QueryCallbackPtr& callback);

private:
    vesk& m_window;
};
