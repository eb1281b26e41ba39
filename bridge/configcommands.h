#pragma once

#include "browser/querycallback.h"

#include <QMap>
#include <QVariantMap>

class vesk;

// Configuration and application commands: client settings, navigation, dialogs, closing.
class ConfigCommands {
public:
    explicit ConfigCommands(vesk& window);

    void loadurl(const QVariantMap& args, const QueryCallbackPtr& callback);
    void loadApp(const QVariantMap& args, const QueryCallbackPtr& callback);
    void goback(const QVariantMap& args, const QueryCallbackPtr& callback);
    void goforward(const QVariantMap& args, const QueryCallbackPtr& callback);
    void getConf(const QVariantMap& args, const QueryCallbackPtr& callback);
    void setConf(const QVariantMap& args, const QueryCallbackPtr& callback);
    void checkUpdate(const QVariantMap& args, const QueryCallbackPtr& callback);
    void closeApp(const QVariantMap& args, const QueryCallbackPtr& callback);
    void saveFileDialog(const QVariantMap& args, const QueryCallbackPtr& callback);
    void openFileDialog(const QVariantMap& args, const QueryCallbackPtr& callback);
    void openUrl(const QVariantMap& args, const QueryCallbackPtr& callback);
    void openFileDialogExe(const QVariantMap& args, const QueryCallbackPtr& callback);
    void confChanged(const QVariantMap& args, const QueryCallbackPtr& callback);
    void showDevTools(const QVariantMap& args, const QueryCallbackPtr& callback);

    // The "getConf" answer for a settings table and the two shortcut registrations.
    static QString settingsJson(const QMap<QString, QString>& settings, bool showConfRegistered,
                                bool testToolRegistered);

private:
    vesk& m_window;
};
