#include "desktop/hotkeytables.h"
#include "desktop/qxtglobalshortcut.h"
#include "desktop/x11keytable.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace {

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(10000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Presses a combination and lets the program see it.
void press(const QString& combination)
{
    QVERIFY(xdotool({"key", combination}));
    QTest::qWait(300);
}

// Another X client, which may hold combinations the program then cannot have.
class OtherClient {
public:
    OtherClient() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }

    // True when the grab was granted.
    bool grab(uint32_t keysym, uint16_t mods)
    {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t keycode = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        xcb_generic_error_t* error =
            xcb_request_check(m_connection, xcb_grab_key_checked(m_connection, 1, m_root, mods, keycode,
                                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};

constexpr uint16_t kCtrlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

void expectRefusal(const QString& text)
{
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("QxtGlobalShortcut failed to register: \"%1\"").arg(text)));
}

void expectUnregisterWarning(const QString& text)
{
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("QxtGlobalShortcut failed to unregister: \"%1\"").arg(text)));
}

} // namespace

class GlobalShortcutTest : public QObject {
    Q_OBJECT
private slots:
    void version();
    void windowsTables_data();
    void windowsTables();
    void x11Tables_data();
    void x11Tables();
    void registration_data();
    void registration();
    void interface();
    void pressEmitsActivated();
    void heldByAnotherClientIsRefused();
    void disabledStaysRegistered();
    void firstDestroyedLeavesSecondWorking();
    void sameCombinationOnlyOnce();
    void modifiersMakeDistinctCombinations();
    void newCombinationReleasesTheOld();
};

void GlobalShortcutTest::version()
{
    QCOMPARE(QByteArray(qxtVersion()), QByteArray("0.7.0"));
}

void GlobalShortcutTest::windowsTables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("virtualKey");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<uint>("id");
    QTest::newRow("Ctrl+Alt+S") << "Ctrl+Alt+S" << 0x53u << 0x3u << 0x50u;
    QTest::newRow("Ctrl+Shift+A") << "Ctrl+Shift+A" << 0x41u << 0x6u << 0x47u;
    QTest::newRow("Ctrl+A") << "Ctrl+A" << 0x41u << 0x2u << 0x43u;
    QTest::newRow("Meta+9") << "Meta+9" << 0x39u << 0x8u << 0x31u;
    QTest::newRow("Print") << "Print" << 0x2Au << 0x0u << 0x2Au;
    QTest::newRow("F1") << "F1" << 0x70u << 0x0u << 0x70u;
    QTest::newRow("F24") << "Shift+F24" << 0x87u << 0x4u << 0x83u;
    QTest::newRow("Space") << "Alt+Space" << 0x20u << 0x1u << 0x21u;
    QTest::newRow("Asterisk") << "*" << 0x6Au << 0x0u << 0x6Au;
    QTest::newRow("Comma") << "Ctrl+," << 0x6Cu << 0x2u << 0x6Eu;
    QTest::newRow("Escape") << "Esc" << 0x1Bu << 0x0u << 0x1Bu;
    QTest::newRow("Backtab") << "Backtab" << 0x09u << 0x0u << 0x09u;
    QTest::newRow("Enter") << "Enter" << 0x0Du << 0x0u << 0x0Du;
    QTest::newRow("Return") << "Return" << 0x0Du << 0x0u << 0x0Du;
    QTest::newRow("PageDown") << "PgDown" << 0x22u << 0x0u << 0x22u;
    QTest::newRow("Media Next") << "Media Next" << 0xB0u << 0x0u << 0xB0u;
    QTest::newRow("Volume Mute") << "Volume Mute" << 0xADu << 0x0u << 0xADu;
    QTest::newRow("CapsLock has none") << "Ctrl+CapsLock" << 0x0u << 0x2u << 0x2u;
    QTest::newRow("keypad digit has none") << "Ctrl+Num+5" << 0x0u << 0x2u << 0x2u;
}

void GlobalShortcutTest::windowsTables()
{
    QFETCH(QString, text);
    QFETCH(uint, virtualKey);
    QFETCH(uint, flags);
    QFETCH(uint, id);
    const QKeySequence sequence(text, QKeySequence::PortableText);
    QVERIFY(!sequence.isEmpty());
    const uint32_t combined = uint32_t(sequence[0]);
    const uint32_t modifierMask = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    QCOMPARE(uint(hotkeytables::virtualKeyFor(combined & ~modifierMask)), virtualKey);
    QCOMPARE(uint(hotkeytables::hotKeyModifiersFor(combined & modifierMask)), flags);
    QCOMPARE(uint(hotkeytables::hotKeyId(virtualKey, flags)), id);
}

void GlobalShortcutTest::x11Tables_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<uint>("keysym");
    QTest::newRow("A") << int(Qt::Key_A) << uint(XK_a);
    QTest::newRow("5") << int(Qt::Key_5) << uint(XK_5);
    QTest::newRow("comma") << int(Qt::Key_Comma) << uint(XK_comma);
    QTest::newRow("Adiaeresis") << int(Qt::Key_Adiaeresis) << uint(XK_Adiaeresis);
    QTest::newRow("Return") << int(Qt::Key_Return) << uint(XK_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << uint(XK_KP_Enter);
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << uint(XK_ISO_Left_Tab);
    QTest::newRow("Print") << int(Qt::Key_Print) << uint(XK_Print);
    QTest::newRow("F12") << int(Qt::Key_F12) << uint(XK_F12);
    QTest::newRow("PageUp") << int(Qt::Key_PageUp) << uint(XK_Page_Up);
    QTest::newRow("Volume Up") << int(Qt::Key_VolumeUp) << 0x1008FF13u;
    QTest::newRow("none") << 0 << 0u;
    QTest::newRow("unknown") << int(Qt::Key_unknown) << 0u;
}

void GlobalShortcutTest::x11Tables()
{
    QFETCH(int, key);
    QFETCH(uint, keysym);
    QCOMPARE(uint(x11keytable::keysymFor(uint32_t(key))), keysym);
    QCOMPARE(int(x11keytable::modifierMaskFor(Qt::ControlModifier | Qt::AltModifier)), 0x0C);
    QCOMPARE(int(x11keytable::modifierMaskFor(Qt::ShiftModifier | Qt::MetaModifier | Qt::KeypadModifier)), 0x41);
}

void GlobalShortcutTest::registration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("registrable"); // on a desktop that has the key
    QTest::addColumn<QString>("kept");     // what shortcut() reports afterwards
    QTest::newRow("Ctrl+Alt+S") << "Ctrl+Alt+S" << true << "Ctrl+Alt+S";
    QTest::newRow("several keys: only the first") << "Ctrl+Alt+T, B" << true << "Ctrl+Alt+T";
    QTest::newRow("Print") << "Ctrl+Alt+Print" << true << "Ctrl+Alt+Print";
    QTest::newRow("Meta") << "Meta+F12" << true << "Meta+F12";
    QTest::newRow("empty") << "" << false << "";
    QTest::newRow("does not parse") << "Ctrl+Nonsense" << false << "";
    QTest::newRow("key without a code") << "Ctrl+CapsLock" << false << "Ctrl+CapsLock";
    QTest::newRow("keypad digit") << "Ctrl+Num+5" << false << "Ctrl+Num+5";
}

void GlobalShortcutTest::registration()
{
    QFETCH(QString, text);
    QFETCH(bool, registrable);
    QFETCH(QString, kept);
    const bool expected = registrable && onX11();
    auto shortcut = std::make_unique<QxtGlobalShortcut>();
    if (!expected)
        expectRefusal(kept);
    QCOMPARE(shortcut->setShortcut(QKeySequence(text, QKeySequence::NativeText)), expected);
    QCOMPARE(shortcut->shortcut().toString(QKeySequence::PortableText), kept);
    if (!expected && !kept.isEmpty())
        expectUnregisterWarning(kept);
    shortcut.reset();
}

void GlobalShortcutTest::interface()
{
    QxtGlobalShortcut shortcut;
    QVERIFY(shortcut.isEnabled());
    QVERIFY(QMetaObject::invokeMethod(&shortcut, "setDisabled"));
    QVERIFY(!shortcut.isEnabled());
    QVERIFY(QMetaObject::invokeMethod(&shortcut, "setEnabled"));
    QVERIFY(shortcut.property("enabled").toBool());
    QVERIFY(shortcut.setProperty("enabled", false));
    QVERIFY(!shortcut.isEnabled());
    shortcut.setDisabled(false);
    QVERIFY(shortcut.isEnabled());
    QCOMPARE(shortcut.property("shortcut").value<QKeySequence>(), QKeySequence());
    const QMetaObject* meta = shortcut.metaObject();
    QCOMPARE(meta->method(meta->methodOffset()).methodSignature(), QByteArray("activated()"));
}

void GlobalShortcutTest::pressEmitsActivated()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    QxtGlobalShortcut shortcut(QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    QSignalSpy activated(&shortcut, &QxtGlobalShortcut::activated);
    press(QStringLiteral("ctrl+alt+s"));
    QCOMPARE(activated.count(), 1);
    press(QStringLiteral("ctrl+s"));
    press(QStringLiteral("s"));
    QCOMPARE(activated.count(), 1);
    // Num Lock and Caps Lock do not change the combination.
    QVERIFY(xdotool({"key", "Num_Lock"}));
    press(QStringLiteral("ctrl+alt+s"));
    QVERIFY(xdotool({"key", "Num_Lock", "Caps_Lock"}));
    press(QStringLiteral("ctrl+alt+s"));
    QVERIFY(xdotool({"key", "Caps_Lock"}));
    QCOMPARE(activated.count(), 3);
}

void GlobalShortcutTest::heldByAnotherClientIsRefused()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    OtherClient other;
    QVERIFY(other.grab(XK_k, kCtrlAlt));
    QxtGlobalShortcut shortcut;
    expectRefusal(QStringLiteral("Ctrl+Alt+K"));
    QVERIFY(!shortcut.setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+K"))));
    QCOMPARE(shortcut.shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+K")));
    // The refused combination is still named, so releasing it is reported as failed.
    expectUnregisterWarning(QStringLiteral("Ctrl+Alt+K"));
    QVERIFY(shortcut.setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+L"))));
    QVERIFY(!other.grab(XK_l, kCtrlAlt));
}

void GlobalShortcutTest::disabledStaysRegistered()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    QxtGlobalShortcut shortcut(QKeySequence(QStringLiteral("Ctrl+Alt+D")));
    QSignalSpy activated(&shortcut, &QxtGlobalShortcut::activated);
    shortcut.setDisabled();
    press(QStringLiteral("ctrl+alt+d"));
    QCOMPARE(activated.count(), 0);
    OtherClient other;
    QVERIFY(!other.grab(XK_d, kCtrlAlt));
    shortcut.setEnabled();
    press(QStringLiteral("ctrl+alt+d"));
    QCOMPARE(activated.count(), 1);
}

void GlobalShortcutTest::firstDestroyedLeavesSecondWorking()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    auto first = std::make_unique<QxtGlobalShortcut>(QKeySequence(QStringLiteral("Ctrl+Alt+1")));
    QxtGlobalShortcut second(QKeySequence(QStringLiteral("Ctrl+Alt+2")));
    QSignalSpy activated(&second, &QxtGlobalShortcut::activated);
    first.reset();
    press(QStringLiteral("ctrl+alt+2"));
    QCOMPARE(activated.count(), 1);
    OtherClient other;
    QVERIFY(other.grab(XK_1, kCtrlAlt)); // released with its shortcut
}

void GlobalShortcutTest::sameCombinationOnlyOnce()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    QxtGlobalShortcut first(QKeySequence(QStringLiteral("Ctrl+Alt+Return")));
    QxtGlobalShortcut second;
    // Enter and Return are one combination to the shortcut table.
    expectRefusal(QStringLiteral("Ctrl+Alt+Enter"));
    QVERIFY(!second.setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+Enter"))));
    QSignalSpy firstActivated(&first, &QxtGlobalShortcut::activated);
    QSignalSpy secondActivated(&second, &QxtGlobalShortcut::activated);
    press(QStringLiteral("ctrl+alt+Return"));
    QCOMPARE(firstActivated.count(), 1);
    QCOMPARE(secondActivated.count(), 0);
    expectUnregisterWarning(QStringLiteral("Ctrl+Alt+Enter"));
}

void GlobalShortcutTest::modifiersMakeDistinctCombinations()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    QxtGlobalShortcut plain(QKeySequence(QStringLiteral("Ctrl+A")));
    QxtGlobalShortcut shifted(QKeySequence(QStringLiteral("Ctrl+Shift+A")));
    QSignalSpy plainActivated(&plain, &QxtGlobalShortcut::activated);
    QSignalSpy shiftedActivated(&shifted, &QxtGlobalShortcut::activated);
    press(QStringLiteral("ctrl+shift+a"));
    QCOMPARE(plainActivated.count(), 0);
    QCOMPARE(shiftedActivated.count(), 1);
    press(QStringLiteral("ctrl+a"));
    QCOMPARE(plainActivated.count(), 1);
    QCOMPARE(shiftedActivated.count(), 1);
}

void GlobalShortcutTest::newCombinationReleasesTheOld()
{
    if (!onX11())
        QSKIP("needs an X desktop");
    QxtGlobalShortcut shortcut(QKeySequence(QStringLiteral("Ctrl+Alt+3")));
    QSignalSpy activated(&shortcut, &QxtGlobalShortcut::activated);
    QVERIFY(shortcut.setShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+4"))));
    press(QStringLiteral("ctrl+alt+3"));
    QCOMPARE(activated.count(), 0);
    press(QStringLiteral("ctrl+alt+4"));
    QCOMPARE(activated.count(), 1);
    OtherClient other;
    QVERIFY(other.grab(XK_3, kCtrlAlt));
}

QTEST_MAIN(GlobalShortcutTest)
#include "tst_globalshortcut.moc"
