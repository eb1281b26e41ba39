#include "bridge/configcommands.h"

#include "app/cefapplication.h"
#include "bridge/vesk.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QString withRegistration(const QString& value, bool registered)
{
    return value + QLatin1Char(',') + QChar(registered ? 1 : 0);
}
} // namespace

ConfigCommands::ConfigCommands(vesk& window) : m_window(window) {}

QString ConfigCommands::settingsJson(const QMap<QString, QString>& settings, bool showConfRegistered,
                                     bool testToolRegistered)
{
    QJsonObject object;
    for (auto it = settings.constBegin(); it != settings.constEnd(); ++it) {
        if (it.key() == QLatin1String("showConf"))
            object.insert(it.key(), withRegistration(it.value(), showConfRegistered));
        else if (it.key() == QLatin1String("testTool"))
            object.insert(it.key(), withRegistration(it.value(), testToolRegistered));
        else
            object.insert(it.key(), it.value());
    }
    return QString::fromUtf8(QJsonDocument(QJsonArray{object}).toJson(QJsonDocument::Compact));
}

void ConfigCommands::getConf(const QVariantMap&, const QueryCallbackPtr& callback)
{
    cefApplication* app = cefApplication::instance();
    const QMap<QString, QString> settings = app ? app->clientSettings() : QMap<QString, QString>();
    if (settings.isEmpty()) {
        vesk::replyFailure(callback, 0, QStringLiteral("cant find conf.xml"));
        return;
    }
    vesk::replySuccess(callback, settingsJson(settings, m_window.showConfRegistered, m_window.testToolRegistered));
}

// The remaining commands arrive with the desktop and update work; until then they do nothing.
void ConfigCommands::loadurl(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::loadApp(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::goback(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::goforward(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::setConf(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::checkUpdate(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::closeApp(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::saveFileDialog(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::openFileDialog(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::openUrl(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::openFileDialogExe(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::confChanged(const QVariantMap&, const QueryCallbackPtr&) {}
void ConfigCommands::showDevTools(const QVariantMap&, const QueryCallbackPtr&) {}
