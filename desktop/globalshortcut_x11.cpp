#include "desktop/globalhotkey.h"
#include "desktop/x11keytable.h"

#include <QX11Info>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <cstring>
#include <vector>

// Hotkeys are passive key grabs on the root window through the program's own X connection,
// so their presses reach the program's native event filter.
namespace globalhotkey {
namespace {

constexpr uint16_t kCombinationMods = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct Grab {
    xcb_keycode_t keycode;
    uint16_t mods;
    Combination combination;
};

class X11Backend : public Backend {
public:
    X11Backend(xcb_connection_t* connection, xcb_window_t root) : m_connection(connection), m_root(root) {}

    bool registerHotKey(const Combination& combination) override
    {
        // As with the Windows service: one registration per combination, and a key needs a
        // virtual-key code to be told apart from the others.
        if (!m_connection || combination.virtualKey == 0 || findGrab(combination) != m_grabs.end())
            return false;
        const uint32_t keysym = x11keytable::keysymFor(combination.qtKey);
        const xcb_keycode_t keycode = keysym ? keycodeFor(keysym) : 0;
        if (keycode == 0)
            return false;
        const Grab grab{keycode, x11keytable::modifierMaskFor(combination.qtModifiers), combination};
        if (!grabAllVariants(grab)) {
            ungrabAllVariants(grab);
            return false;
        }
        m_grabs.push_back(grab);
        return true;
    }

    bool unregisterHotKey(const Combination& combination) override
    {
        const auto found = findGrab(combination);
        if (!m_connection || found == m_grabs.end())
            return false;
        ungrabAllVariants(*found);
        m_grabs.erase(found);
        return true;
    }

    bool pressedHotKey(const char* eventType, void* message, uint32_t* virtualKey, uint32_t* flags) override
    {
        if (!m_connection || std::strcmp(eventType, "xcb_generic_event_t") != 0)
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
            return false;
        const auto* press = static_cast<const xcb_key_press_event_t*>(message);
        const uint16_t mods = press->state & kCombinationMods;
        for (const Grab& grab : m_grabs) {
            if (grab.keycode == press->detail && grab.mods == mods) {
                *virtualKey = grab.combination.virtualKey;
                *flags = grab.combination.flags;
                return true;
            }
        }
        return false;
    }

private:
    std::vector<Grab>::iterator findGrab(const Combination& combination)
    {
        for (auto it = m_grabs.begin(); it != m_grabs.end(); ++it) {
            if (it->combination.virtualKey == combination.virtualKey && it->combination.flags == combination.flags)
                return it;
        }
        return m_grabs.end();
    }

    xcb_keycode_t keycodeFor(uint32_t keysym)
    {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        if (!symbols)
            return 0;
        xcb_keycode_t keycode = 0;
        if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym)) {
            keycode = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
            std::free(codes);
        }
        xcb_key_symbols_free(symbols);
        return keycode;
    }

    // The modifier that Num Lock sets, or 0 when the keyboard has none.
    uint16_t numLockMask()
    {
        const xcb_keycode_t numLock = keycodeFor(XK_Num_Lock);
        if (numLock == 0)
            return 0;
        xcb_get_modifier_mapping_reply_t* reply =
            xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
        if (!reply)
            return 0;
        uint16_t mask = 0;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                if (codes[modifier * perModifier + i] == numLock) {
                    mask = static_cast<uint16_t>(1 << modifier);
                    break;
                }
            }
        }
        std::free(reply);
        return mask;
    }

    // The combination with Caps Lock and Num Lock in each state, so it fires whatever they are.
    std::vector<uint16_t> variants(uint16_t mods)
    {
        const uint16_t numLock = numLockMask();
        std::vector<uint16_t> all{mods, static_cast<uint16_t>(mods | XCB_MOD_MASK_LOCK)};
        if (numLock != 0 && (numLock & (kCombinationMods | XCB_MOD_MASK_LOCK)) == 0) {
            all.push_back(mods | numLock);
            all.push_back(mods | numLock | XCB_MOD_MASK_LOCK);
        }
        return all;
    }

    // A grab another client holds fails with BadAccess; checked requests report it here and now.
    bool grabAllVariants(const Grab& grab)
    {
        std::vector<xcb_void_cookie_t> cookies;
        for (uint16_t mods : variants(grab.mods)) {
            cookies.push_back(xcb_grab_key_checked(m_connection, 1, m_root, mods, grab.keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        }
        bool granted = true;
        for (const xcb_void_cookie_t& cookie : cookies) {
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
                granted = false;
                std::free(error);
            }
        }
        return granted;
    }

    void ungrabAllVariants(const Grab& grab)
    {
        for (uint16_t mods : variants(grab.mods))
            xcb_ungrab_key(m_connection, grab.keycode, m_root, mods);
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::vector<Grab> m_grabs;
};

} // namespace

Backend& backend()
{
    static X11Backend instance(QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr,
                               QX11Info::isPlatformX11() ? static_cast<xcb_window_t>(QX11Info::appRootWindow()) : 0);
    return instance;
}

} // namespace globalhotkey
