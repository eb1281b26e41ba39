#include "bridge/vesk.h"
#include "desktop/mousesettings.h"
#include "support/appfixture.h"

#include <QProcess>
#include <QTemporaryDir>

#include <X11/Xlib.h>

namespace {

const char kSchema[] = "org.gnome.desktop.peripherals.mouse";

// Reads a key back through the desktop's own tool, from the same settings store.
QString gsettingsGet(const char* key)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), {QStringLiteral("get"), QLatin1String(kSchema), QLatin1String(key)});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

struct XAcceleration {
    int numerator = 0;
    int denominator = 0;
    int threshold = 0;
};

XAcceleration xAcceleration()
{
    XAcceleration result;
    if (Display* display = XOpenDisplay(nullptr)) {
        XGetPointerControl(display, &result.numerator, &result.denominator, &result.threshold);
        XCloseDisplay(display);
    }
    return result;
}

QString configFile(const QString& name)
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QLatin1Char('/') + name;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class MouseSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void doubleClick_data();
    void doubleClick();
    void pointerSpeed_data();
    void pointerSpeed();
    void scrollLinesWithoutKde();
    void scrollLinesOnKde_data();
    void scrollLinesOnKde();
    void scrollLinesKeepsAnUnreadableFile();
    void missingArgumentsGetNoReply_data();
    void missingArgumentsGetNoReply();

private:
    QVariantMap request(const char* key, const QVariant& value) const { return {{QLatin1String(key), value}}; }
    std::unique_ptr<vesk> m_window;
};

void MouseSettingsTest::initTestCase()
{
    QCOMPARE(qgetenv("GSETTINGS_BACKEND"), QByteArray("keyfile"));
    QVERIFY2(!gsettingsGet("double-click").isEmpty(), "the GNOME mouse schema is installed");
    m_window = std::make_unique<vesk>();
}

void MouseSettingsTest::doubleClick_data()
{
    QTest::addColumn<QVariant>("position");
    QTest::addColumn<int>("milliseconds"); // -1: refused
    QTest::newRow("first") << QVariant(0) << 970;
    QTest::newRow("last") << QVariant(11) << 200;
    QTest::newRow("text five") << QVariant(QStringLiteral("5")) << 620;
    QTest::newRow("past the end") << QVariant(12) << -1;
    QTest::newRow("negative") << QVariant(-1) << -1;
}

void MouseSettingsTest::doubleClick()
{
    QFETCH(QVariant, position);
    QFETCH(int, milliseconds);
    ReplyRecorder reply;
    // A known state first, so a refusal can be seen to change nothing.
    m_window->dispatchCommand(QStringLiteral("modifyMouseDoubleClick"), request("position", 3), reply.callback());
    QCOMPARE(reply.text, QStringLiteral("modifyMouseDoubleClick success"));
    QCOMPARE(gsettingsGet("double-click"), QStringLiteral("760"));

    m_window->dispatchCommand(QStringLiteral("modifyMouseDoubleClick"), request("position", position),
                              reply.callback());
    QCOMPARE(reply.answers, 2);
    if (milliseconds < 0) {
        QVERIFY(!reply.success);
        QCOMPARE(reply.code, 0);
        QCOMPARE(reply.text, QStringLiteral("modifyMouseDoubleClick failed"));
        milliseconds = 760;
    } else {
        QVERIFY(reply.success);
        QCOMPARE(reply.text, QStringLiteral("modifyMouseDoubleClick success"));
    }
    QCOMPARE(gsettingsGet("double-click"), QString::number(milliseconds));
    QCOMPARE(QApplication::doubleClickInterval(), milliseconds);
}

void MouseSettingsTest::pointerSpeed_data()
{
    QTest::addColumn<QVariant>("speed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<double>("gnomeSpeed");
    QTest::newRow("default") << QVariant(10) << true << 2 << 1 << 0.0;
    QTest::newRow("slowest") << QVariant(1) << true << 1 << 16 << -1.0;
    QTest::newRow("fastest") << QVariant(20) << true << 7 << 1 << 1.0;
    QTest::newRow("text") << QVariant(QStringLiteral("15")) << true << 9 << 2 << 0.5;
    QTest::newRow("zero") << QVariant(0) << false << 0 << 0 << 0.0;
    QTest::newRow("above") << QVariant(21) << false << 0 << 0 << 0.0;
    QTest::newRow("not a number") << QVariant(QStringLiteral("fast")) << false << 0 << 0 << 0.0;
}

void MouseSettingsTest::pointerSpeed()
{
    QFETCH(QVariant, speed);
    QFETCH(bool, accepted);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(double, gnomeSpeed);
    ReplyRecorder reply;
    m_window->dispatchCommand(QStringLiteral("modifyMouseSpeed"), request("speednum", 6), reply.callback());
    QCOMPARE(reply.text, QStringLiteral("modifyMouseSpeed success"));
    const XAcceleration before = xAcceleration();
    const QString gnomeBefore = gsettingsGet("speed");
    QCOMPARE(before.numerator, 1);
    QCOMPARE(before.denominator, 1);

    m_window->dispatchCommand(QStringLiteral("modifyMouseSpeed"), request("speednum", speed), reply.callback());
    QCOMPARE(reply.answers, 2);
    const XAcceleration after = xAcceleration();
    if (!accepted) {
        QVERIFY(!reply.success);
        QCOMPARE(reply.text, QStringLiteral("modifyMouseSpeed failed"));
        QCOMPARE(after.numerator, before.numerator);
        QCOMPARE(after.denominator, before.denominator);
        QCOMPARE(gsettingsGet("speed"), gnomeBefore);
        return;
    }
    QVERIFY(reply.success);
    QCOMPARE(reply.text, QStringLiteral("modifyMouseSpeed success"));
    QCOMPARE(after.numerator, numerator);
    QCOMPARE(after.denominator, denominator);
    QCOMPARE(after.threshold, 4);
    QCOMPARE(gsettingsGet("speed").toDouble(), gnomeSpeed);
}

// GNOME keeps no wheel setting: with no KDE desktop there is nowhere to put it.
void MouseSettingsTest::scrollLinesWithoutKde()
{
    qunsetenv("XDG_CURRENT_DESKTOP");
    const int before = QApplication::wheelScrollLines();
    ReplyRecorder reply;
    m_window->dispatchCommand(QStringLiteral("modifyMouseScrollLines"), request("linenum", before + 2),
                              reply.callback());
    QCOMPARE(reply.answers, 1);
    QVERIFY(!reply.success);
    QCOMPARE(reply.text, QStringLiteral("modifyMouseScrollLines failed"));
    QCOMPARE(QApplication::wheelScrollLines(), before);
    QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("kdeglobals"))));
}

void MouseSettingsTest::scrollLinesOnKde_data()
{
    QTest::addColumn<QVariant>("lines");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("seven") << QVariant(7) << true;
    QTest::newRow("text") << QVariant(QStringLiteral("9")) << true;
    QTest::newRow("negative") << QVariant(-1) << false;
}

void MouseSettingsTest::scrollLinesOnKde()
{
    QFETCH(QVariant, lines);
    QFETCH(bool, accepted);
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:KDE");
    const QByteArray original = "# colours and fonts\n[General]\nColorScheme=Breeze\nName[de]=Hallo\n\n"
                                "[KDE]\nSingleClick=false\nWheelScrollLines=3\n";
    const QString kdeglobals = configFile(QStringLiteral("kdeglobals"));
    writeAll(kdeglobals, original);
    QApplication::setWheelScrollLines(3);

    ReplyRecorder reply;
    m_window->dispatchCommand(QStringLiteral("modifyMouseScrollLines"), request("linenum", lines), reply.callback());
    QCOMPARE(reply.answers, 1);
    const QByteArray now = readAll(kdeglobals);
    if (!accepted) {
        QCOMPARE(reply.text, QStringLiteral("modifyMouseScrollLines failed"));
        QCOMPARE(now, original);
        QCOMPARE(QApplication::wheelScrollLines(), 3);
        return;
    }
    const int count = lines.toInt();
    QCOMPARE(reply.text, QStringLiteral("modifyMouseScrollLines success"));
    QCOMPARE(QApplication::wheelScrollLines(), count);
    QVERIFY(now.contains("WheelScrollLines=" + QByteArray::number(count) + "\n"));
    QVERIFY(!now.contains("WheelScrollLines=3"));
    // Everything else of the user's file stays.
    for (const char* kept : {"# colours and fonts", "ColorScheme=Breeze", "Name[de]=Hallo", "SingleClick=false"})
        QVERIFY2(now.contains(kept), kept);
}

void MouseSettingsTest::scrollLinesKeepsAnUnreadableFile()
{
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    const QByteArray broken = "[KDE\nthis line is not a setting\n";
    const QString kdeglobals = configFile(QStringLiteral("kdeglobals"));
    writeAll(kdeglobals, broken);
    ReplyRecorder reply;
    m_window->dispatchCommand(QStringLiteral("modifyMouseScrollLines"), request("linenum", 5), reply.callback());
    QCOMPARE(reply.text, QStringLiteral("modifyMouseScrollLines failed"));
    QCOMPARE(readAll(kdeglobals), broken);
}

void MouseSettingsTest::missingArgumentsGetNoReply_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("speed") << "modifyMouseSpeed";
    QTest::newRow("lines") << "modifyMouseScrollLines";
    QTest::newRow("double-click") << "modifyMouseDoubleClick";
}

void MouseSettingsTest::missingArgumentsGetNoReply()
{
    QFETCH(QString, command);
    ReplyRecorder reply;
    m_window->dispatchCommand(command, request("value", 5), reply.callback());
    QCOMPARE(reply.answers, 0);
}

int main(int argc, char** argv)
{
    // A private settings store that the desktop's own tools read as well.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    return runWithApplication<MouseSettingsTest>(argc, argv);
}
#include "tst_mousesettings.moc"
