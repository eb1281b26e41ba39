#include "desktop/keyboardhook.h"
#include "desktop/macrohook.h"
#include "desktop/macrorecorder.h"
#include "desktop/scancodes.h"

#include <QProcess>
#include <QtTest>

#include <poll.h>

// Injects key events through XTEST, as another client would: X key code k is pressed for k
// and released for -k (tst_macrorecorder_keys.cpp).
bool fakeKeys(const QList<int>& steps);

namespace {

QString stepText(const macrohook::Step& step)
{
    return QStringList{QString::fromStdString(step.kind), QString::fromStdString(step.value),
                       QString::fromStdString(step.key), QString::fromStdString(step.extended)}
        .join(QLatin1Char(','));
}

QString eventText(const keyboardhook::KeyEvent& event)
{
    return QStringLiteral("%1%2.%3").arg(event.press ? 'P' : 'R').arg(event.scanCode).arg(event.extended);
}

// Collects what a hook reports until `count` events have come or the time is up.
QStringList collect(keyboardhook::Hook& hook, const QStringList& seen, int count)
{
    QElapsedTimer timer;
    timer.start();
    while (seen.size() < count && timer.elapsed() < 5000) {
        pollfd watched{hook.descriptor(), POLLIN, 0};
        poll(&watched, 1, 50);
        hook.dispatch();
    }
    return seen;
}

class DisplayOverride {
public:
    explicit DisplayOverride(const QByteArray& display) : m_saved(qgetenv("DISPLAY")) { qputenv("DISPLAY", display); }
    ~DisplayOverride() { qputenv("DISPLAY", m_saved); }

private:
    QByteArray m_saved;
};

bool haveDisplay()
{
    return !qgetenv("DISPLAY").isEmpty();
}

} // namespace

class MacroRecorderTest : public QObject {
    Q_OBJECT
private slots:
    void scanCodes_data();
    void scanCodes();
    void hookMessages_data();
    void hookMessages();
    void hookState_data();
    void hookState();
    void x11KeysArriveAsScanCodes();
    void recordingStartsAndStops();
    void noXServerGivesNoHook();
    void serverWithoutGenericEventsGivesNoHook();
};

void MacroRecorderTest::scanCodes_data()
{
    QTest::addColumn<uint>("evdev");
    QTest::addColumn<bool>("mapped");
    QTest::addColumn<uint>("scan");
    QTest::addColumn<uint>("extended");
    QTest::newRow("Escape") << 1u << true << 1u << 0u;
    QTest::newRow("Enter") << 28u << true << 28u << 0u;
    QTest::newRow("keypad Enter") << 96u << true << 28u << 1u;
    QTest::newRow("Left Ctrl") << 29u << true << 29u << 0u;
    QTest::newRow("Right Ctrl") << 97u << true << 29u << 1u;
    QTest::newRow("Right Alt") << 100u << true << 56u << 1u;
    QTest::newRow("Right") << 106u << true << 77u << 1u;
    QTest::newRow("keypad 6") << 77u << true << 77u << 0u;
    QTest::newRow("Delete") << 111u << true << 83u << 1u;
    QTest::newRow("keypad .") << 83u << true << 83u << 0u;
    QTest::newRow("Num Lock") << 69u << true << 69u << 1u;
    QTest::newRow("Pause") << 119u << true << 69u << 0u;
    QTest::newRow("Print Screen") << 99u << true << 55u << 1u;
    QTest::newRow("keypad /") << 98u << true << 53u << 1u;
    QTest::newRow("Right Shift") << 54u << true << 54u << 0u;
    QTest::newRow("Left Meta") << 125u << true << 91u << 1u;
    QTest::newRow("Menu") << 127u << true << 93u << 1u;
    QTest::newRow("F10") << 68u << true << 68u << 0u;
    QTest::newRow("F11") << 87u << true << 87u << 0u;
    QTest::newRow("F12") << 88u << true << 88u << 0u;
    QTest::newRow("102nd key") << 86u << true << 86u << 0u;
    QTest::newRow("volume up") << 115u << true << 48u << 1u;
    QTest::newRow("reserved 0") << 0u << false << 0u << 0u;
    QTest::newRow("unused 84") << 84u << false << 0u << 0u;
    QTest::newRow("mouse button 272") << 272u << false << 0u << 0u;
    QTest::newRow("far out") << 0xFFFFFFu << false << 0u << 0u;
}

void MacroRecorderTest::scanCodes()
{
    QFETCH(uint, evdev);
    QFETCH(bool, mapped);
    QFETCH(uint, scan);
    QFETCH(uint, extended);
    scancodes::ScanCode result{0, 0};
    QCOMPARE(scancodes::fromEvdev(evdev, &result), mapped);
    if (mapped) {
        QCOMPARE(uint(result.code), scan);
        QCOMPARE(uint(result.extended), extended);
    }
}

void MacroRecorderTest::hookMessages_data()
{
    QTest::addColumn<uint>("message");
    QTest::addColumn<int>("action");
    QTest::newRow("WM_KEYDOWN") << 0x0100u << int(macrohook::KeyAction::Press);
    QTest::newRow("WM_SYSKEYDOWN (Alt, F10)") << 0x0104u << int(macrohook::KeyAction::Press);
    QTest::newRow("WM_KEYUP") << 0x0101u << int(macrohook::KeyAction::Release);
    QTest::newRow("WM_SYSKEYUP") << 0x0105u << int(macrohook::KeyAction::Release);
    QTest::newRow("WM_CHAR") << 0x0102u << int(macrohook::KeyAction::None);
    QTest::newRow("WM_HOTKEY") << 0x0312u << int(macrohook::KeyAction::None);
}

void MacroRecorderTest::hookMessages()
{
    QFETCH(uint, message);
    QFETCH(int, action);
    QCOMPARE(int(macrohook::actionForMessage(message)), action);
    QCOMPARE(macrohook::extendedFromFlags(0x81), 1u); // extended, injected
    QCOMPARE(macrohook::extendedFromFlags(0x90), 0u); // injected, Alt down
}

void MacroRecorderTest::hookState_data()
{
    // Events: "S" starts a recording, "P<scan>.<ext>" presses, "R<scan>.<ext>" releases, each
    // "@" the time of day in milliseconds it happens at.
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("steps");
    QTest::newRow("held key: repeats give nothing") << "S@0 P30.0@100 P30.0@130 P30.0@160 R30.0@600"
                                                    << "0,1,30,0 | 2,500,0,0 | 0,0,30,0";
    QTest::newRow("first press has no delay") << "S@0 P30.0@250 R30.0@300 P31.0@320"
                                              << "0,1,30,0 | 2,50,0,0 | 0,0,30,0 | 2,20,0,0 | 0,1,31,0";
    QTest::newRow("release first: delay from the start") << "S@1000 R30.0@1200 P31.0@1300"
                                                         << "2,200,0,0 | 0,0,30,0 | 0,1,31,0";
    QTest::newRow("Enter and keypad Enter are two keys")
        << "S@0 P28.0@10 P28.1@20 R28.1@30 P28.0@40"
        << "0,1,28,0 | 2,10,0,0 | 0,1,28,1 | 2,10,0,0 | 0,0,28,1 | 2,10,0,0 | 0,1,28,0";
    QTest::newRow("held through a restart") << "S@0 P30.0@10 S@100 P30.0@150 R30.0@200"
                                            << "0,1,30,0 | 2,100,0,0 | 0,0,30,0";
    QTest::newRow("restart sets the first press again") << "S@0 P30.0@10 R30.0@20 S@100 P31.0@150"
                                                        << "0,1,30,0 | 2,10,0,0 | 0,0,30,0 | 0,1,31,0";
    QTest::newRow("across midnight") << "S@86399000 P30.0@86399500 R30.0@200"
                                     << "0,1,30,0 | 2,-86399300,0,0 | 0,0,30,0";
    QTest::newRow("Alt+F10") << "S@0 P56.0@5 P68.0@7 R68.0@9 R56.0@12"
                             << "0,1,56,0 | 2,2,0,0 | 0,1,68,0 | 2,2,0,0 | 0,0,68,0 | 2,3,0,0 | 0,0,56,0";
}

void MacroRecorderTest::hookState()
{
    QFETCH(QString, events);
    QFETCH(QString, steps);
    int32_t now = 0;
    QStringList sent;
    macrohook::HookState state([&now]() { return now; },
                               [&sent](const macrohook::Step& step) { sent << stepText(step); });
    const QRegularExpression pattern(QStringLiteral("^(S|([PR])(\\d+)\\.([01]))@(\\d+)$"));
    for (const QString& event : events.split(QLatin1Char(' '))) {
        const QRegularExpressionMatch match = pattern.match(event);
        QVERIFY2(match.hasMatch(), qPrintable(event));
        now = match.captured(5).toInt();
        if (match.captured(1) == QLatin1String("S"))
            state.begin();
        else
            state.handle(match.captured(2) == QLatin1String("P") ? macrohook::KeyAction::Press
                                                                 : macrohook::KeyAction::Release,
                         match.captured(3).toUInt(), match.captured(4).toUInt());
    }
    QCOMPARE(sent.join(QStringLiteral(" | ")), steps);
}

void MacroRecorderTest::x11KeysArriveAsScanCodes()
{
    if (!haveDisplay())
        QSKIP("needs an X server");
    QStringList seen;
    std::unique_ptr<keyboardhook::Hook> hook =
        keyboardhook::install([&seen](const keyboardhook::KeyEvent& event) { seen << eventText(event); });
    QVERIFY(hook);
    // Key codes straight through XTEST: Return, keypad Enter, Right, Right Ctrl, A.
    QVERIFY(fakeKeys({36, -36, 104, -104, 114, -114, 105, -105, 38, -38}));
    const QStringList expected{"P28.0", "R28.0", "P28.1", "R28.1", "P77.1",
                               "R77.1", "P29.1", "R29.1", "P30.0", "R30.0"};
    QCOMPARE(collect(*hook, seen, expected.size()).join(' '), expected.join(' '));

    // Gone with the hook: a new hook sees only what comes after it.
    hook.reset();
    seen.clear();
    QVERIFY(fakeKeys({56, -56}));
    hook = keyboardhook::install([&seen](const keyboardhook::KeyEvent& event) { seen << eventText(event); });
    QVERIFY(hook);
    QVERIFY(fakeKeys({64, 76, -76, -64})); // Alt+F10
    QCOMPARE(collect(*hook, seen, 4).join(' '), QStringLiteral("P56.0 P68.0 R68.0 R56.0"));
}

void MacroRecorderTest::recordingStartsAndStops()
{
    if (!haveDisplay())
        QSKIP("needs an X server");
    QVERIFY(startMacroRecord());
    QVERIFY(fakeKeys({38, -38}));
    QVERIFY(startMacroRecord()); // a restart
    QTest::qWait(50);
    stopMacroRecord();
    stopMacroRecord(); // nothing to remove: quiet
    QVERIFY(startMacroRecord());
    stopMacroRecord();
}

void MacroRecorderTest::noXServerGivesNoHook()
{
    DisplayOverride unreachable(":7771");
    QVERIFY(!keyboardhook::install([](const keyboardhook::KeyEvent&) {}));
    QVERIFY(!startMacroRecord());
    stopMacroRecord();
}

void MacroRecorderTest::serverWithoutGenericEventsGivesNoHook()
{
    // Raw key events travel as generic events: a server without them has no usable XInput 2.
    const QString display = QStringLiteral(":%1").arg(150 + QCoreApplication::applicationPid() % 50);
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                          QStringLiteral("-extension"), QStringLiteral("Generic Event Extension")});
    if (!server.waitForStarted())
        QSKIP("Xvfb is not installed");
    const QString socket = QStringLiteral("/tmp/.X11-unix/X") + display.mid(1);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket) || server.state() != QProcess::Running, 10000);
    QVERIFY2(server.state() == QProcess::Running, "the server did not start");
    bool hooked = true;
    {
        DisplayOverride limited(display.toLatin1());
        hooked = keyboardhook::install([](const keyboardhook::KeyEvent&) {}) != nullptr;
    }
    server.terminate();
    server.waitForFinished();
    QVERIFY(!hooked);
}

QTEST_GUILESS_MAIN(MacroRecorderTest)
#include "tst_macrorecorder.moc"
