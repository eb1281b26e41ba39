#include "bridge/configcommands.h"

#include "app/cefapplication.h"
#include "bridge/commandargs.h"
#include "bridge/vesk.h"
#include "browser/clienthandler.h"
#include "browser/qcefwebview.h"
#include "desktop/autostart.h"
#include "desktop/programicon.h"
#include "desktop/qxtglobalshortcut.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>
#include <QWebEnginePage>

#include <pugixml.hpp>

#include <sstream>

namespace {
QString withRegistration(const QString& value, bool registered)
{
    return value + QLatin1Char(',') + QChar(registered ? 1 : 0);
}

// One control character: U+0001 for a registered shortcut, U+0000 for a refused one.
QString registrationMark(bool registered)
{
    return QString(QChar(registered ? 1 : 0));
}

QString documentsFolder()
{
    return QDir::homePath() + QStringLiteral("/Documents");
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

void ConfigCommands::loadurl(const QVariantMap& args, const QueryCallbackPtr&)
{
    if (!commandargs::hasAll(args, {"url"}))
        return;
    QWebEnginePage* browser = clientHandler() ? clientHandler()->GetBrowser() : nullptr;
    if (!browser)
        return;
    // Joined as text, so a query or fragment the page adds stays one.
    const QString directory = QUrl::fromLocalFile(QCoreApplication::applicationDirPath()).toString();
    browser->load(QUrl(directory + commandargs::text(args, QStringLiteral("url"))));
}

void ConfigCommands::loadApp(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!commandargs::hasAll(args, {"path"}))
        return;
    // Programs start with the user's own rights here; nothing asks for elevation.
    const QString program = commandargs::text(args, QStringLiteral("path")).section(QLatin1Char('|'), 0, 0);
    if (!program.isEmpty() && QProcess::startDetached(program, QStringList()))
        vesk::replySuccess(callback, QStringLiteral("loadApp success!"));
    else
        vesk::replyFailure(callback, 0, QStringLiteral("loadApp failed!"));
}

void ConfigCommands::goback(const QVariantMap&, const QueryCallbackPtr& callback)
{
    m_window.view->back();
    vesk::replySuccess(callback, QStringLiteral("goback"));
}

void ConfigCommands::goforward(const QVariantMap&, const QueryCallbackPtr& callback)
{
    m_window.view->forward();
    vesk::replySuccess(callback, QStringLiteral("goforward"));
}

void ConfigCommands::setConf(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!commandargs::hasAll(args, {"confKey", "confValue"}))
        return;
    const QString key = commandargs::text(args, QStringLiteral("confKey"));
    const QString value = commandargs::text(args, QStringLiteral("confValue"));

    if (key == QLatin1String("autoStart"))
        autostart::setAutoStart(value == QLatin1String("true"));
    if (key == QLatin1String("showConf"))
        m_window.showConfRegistered =
            m_window.showConfShortcut->setShortcut(QKeySequence(value, QKeySequence::NativeText));
    if (key == QLatin1String("testTool"))
        m_window.testToolRegistered =
            m_window.testToolShortcut->setShortcut(QKeySequence(value, QKeySequence::NativeText));

    cefApplication* app = cefApplication::instance();
    const bool known = app && app->setClientValue(key, value);
    if (!known)
        vesk::replyFailure(callback, 0, QStringLiteral("can't find conf name"));
    if (!app)
        return;

    const QByteArray text = app->settingsText().toUtf8();
    pugi::xml_document document;
    if (!document.load_buffer(text.constData(), static_cast<size_t>(text.size())))
        return;
    const QByteArray name = key.toUtf8();
    if (pugi::xml_attribute attribute = document.child("root").child("client").attribute(name.constData()))
        attribute.set_value(value.toUtf8().constData());
    std::ostringstream saved;
    document.save(saved);
    app->setSettingsText(QString::fromStdString(saved.str()));
    app->saveSettings();

    if (!known)
        return;
    if (key == QLatin1String("showConf"))
        vesk::replySuccess(callback, registrationMark(m_window.showConfRegistered));
    else if (key == QLatin1String("testTool"))
        vesk::replySuccess(callback, registrationMark(m_window.testToolRegistered));
    else
        vesk::replySuccess(callback, QStringLiteral("modify conf sucess"));
}

void ConfigCommands::checkUpdate(const QVariantMap&, const QueryCallbackPtr& callback)
{
    if (cefApplication* app = cefApplication::instance())
        app->checkForUpdate(true);
    vesk::replySuccess(callback, QStringLiteral("checkUpdate success"));
}

void ConfigCommands::closeApp(const QVariantMap&, const QueryCallbackPtr& callback)
{
    cefApplication* app = cefApplication::instance();
    const QMap<QString, QString> settings = app ? app->clientSettings() : QMap<QString, QString>();
    if (settings.contains(QStringLiteral("closeFunc"))) {
        if (settings.value(QStringLiteral("closeFunc")) == QLatin1String("closeapp")) {
            m_window.oncloseApp();
        } else {
            m_window.hide();
            m_window.flushDocuments();
        }
    }
    vesk::replySuccess(callback, QStringLiteral("modify conf sucess"));
}

void ConfigCommands::saveFileDialog(const QVariantMap&, const QueryCallbackPtr& callback)
{
    const QString path = QFileDialog::getSaveFileName(&m_window, QStringLiteral("SaveFileDialog"), documentsFolder(),
                                                      QStringLiteral("pfd(*.pfd)"));
    if (!path.isEmpty())
        vesk::replySuccess(callback, path);
}

void ConfigCommands::openFileDialog(const QVariantMap&, const QueryCallbackPtr& callback)
{
    const QString path = QFileDialog::getOpenFileName(&m_window, QStringLiteral("OpenFileDialog"), documentsFolder(),
                                                      QStringLiteral("pfd(*.pfd)"));
    if (!path.isEmpty())
        vesk::replySuccess(callback, path);
}

void ConfigCommands::openUrl(const QVariantMap& args, const QueryCallbackPtr& callback)
{
    if (!commandargs::hasAll(args, {"url"}))
        return;
    QDesktopServices::openUrl(QUrl(commandargs::text(args, QStringLiteral("url")), QUrl::TolerantMode));
    vesk::replySuccess(callback, QStringLiteral("open successed"));
}

void ConfigCommands::openFileDialogExe(const QVariantMap&, const QueryCallbackPtr& callback)
{
    const QString chosen = QFileDialog::getOpenFileName(&m_window, QStringLiteral("OpenFileDialog"), documentsFolder(),
                                                        QStringLiteral("(*.exe)"));
    if (chosen.isEmpty())
        return;
    const QString path = QDir::toNativeSeparators(chosen);
    QString iconPath;
    extractProgramIcon(path, iconPath);
    vesk::replySuccess(callback, path + QLatin1Char('|') + iconPath);
}

void ConfigCommands::confChanged(const QVariantMap&, const QueryCallbackPtr& callback)
{
    if (!m_window.monitor)
        return;
    m_window.flushDocuments();
    m_window.restartMonitor();
    vesk::replySuccess(callback, QStringLiteral("confChanged"));
}

void ConfigCommands::showDevTools(const QVariantMap&, const QueryCallbackPtr&)
{
    if (ClientHandler* handler = clientHandler())
        handler->setDevMenuEnabled(false);
}
