#include "bridge/vesk.h"
#include "support/appfixture.h"

#include <QTemporaryDir>

// A machine without GNOME's settings schemas and without KDE: the pointer speed still reaches
// the X server, the double-click time and the wheel lines have nowhere to go.
class MouseSettingsNoSchemaTest : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
};

void MouseSettingsNoSchemaTest::commands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("success");
    QTest::addColumn<QString>("text");
    QTest::newRow("speed") << "modifyMouseSpeed"
                           << "speednum" << 12 << true << "modifyMouseSpeed success";
    QTest::newRow("double-click") << "modifyMouseDoubleClick"
                                  << "position" << 2 << false << "modifyMouseDoubleClick failed";
    QTest::newRow("lines") << "modifyMouseScrollLines"
                           << "linenum" << 4 << false << "modifyMouseScrollLines failed";
}

void MouseSettingsNoSchemaTest::commands()
{
    QFETCH(QString, command);
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(bool, success);
    QFETCH(QString, text);
    vesk window;
    const int interval = QApplication::doubleClickInterval();
    const int lines = QApplication::wheelScrollLines();
    ReplyRecorder reply;
    window.dispatchCommand(command, {{key, value}}, reply.callback());
    QCOMPARE(reply.answers, 1);
    QCOMPARE(reply.success, success);
    QCOMPARE(reply.text, text);
    QCOMPARE(QApplication::doubleClickInterval(), interval);
    QCOMPARE(QApplication::wheelScrollLines(), lines);
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY(!QFileInfo::exists(config + QStringLiteral("/glib-2.0/settings/keyfile")));
    QVERIFY(!QFileInfo::exists(config + QStringLiteral("/kdeglobals")));
}

int main(int argc, char** argv)
{
    QTemporaryDir data;
    QTemporaryDir config;
    qputenv("XDG_DATA_DIRS", data.path().toLocal8Bit());
    qunsetenv("GSETTINGS_SCHEMA_DIR");
    qunsetenv("XDG_CURRENT_DESKTOP");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    return runWithApplication<MouseSettingsNoSchemaTest>(argc, argv);
}
#include "tst_mousesettings_noschema.moc"
