#include "desktop/keyboardhook.h"
#include "desktop/scancodes.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

// XInput2 raw key events on the root window: every key of every client, before any grab,
// and only watched. The hook has an X connection of its own so it can come and go freely.
namespace keyboardhook {
namespace {

constexpr uint32_t kEvdevOffset = 8; // X key codes are evdev codes + 8

bool g_requestFailed = false;
int recordError(Display*, XErrorEvent*)
{
    g_requestFailed = true;
    return 0;
}

class X11Hook : public Hook {
public:
    X11Hook(Display* display, int opcode, Handler handler)
        : m_display(display), m_opcode(opcode), m_handler(std::move(handler))
    {
    }
    ~X11Hook() override { XCloseDisplay(m_display); }

    int descriptor() const override { return ConnectionNumber(m_display); }

    void dispatch() override
    {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != m_opcode || !XGetEventData(m_display, cookie))
                continue;
            if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
                const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
                scancodes::ScanCode scan;
                if (raw->detail >= static_cast<int>(kEvdevOffset) &&
                    scancodes::fromEvdev(static_cast<uint32_t>(raw->detail) - kEvdevOffset, &scan))
                    m_handler({scan.code, scan.extended, cookie->evtype == XI_RawKeyPress});
            }
            XFreeEventData(m_display, cookie);
        }
    }

private:
    Display* m_display;
    int m_opcode;
    Handler m_handler;
};

// Selects raw key events of all master keyboards on the root window; false when the server
// has no XInput 2 or refuses the selection.
bool selectRawKeys(Display* display, int* opcode)
{
    int event = 0;
    int error = 0;
    int genericOpcode = 0;
    // XInput 2 events travel as generic events: without them a selection would hear nothing.
    if (!XQueryExtension(display, "XInputExtension", opcode, &event, &error) ||
        !XQueryExtension(display, "Generic Event Extension", &genericOpcode, &event, &error))
        return false;
    // Xlib's own handler would end the program on a refused request.
    g_requestFailed = false;
    XErrorHandler previous = XSetErrorHandler(recordError);
    int major = 2;
    int minor = 2;
    bool selected = XIQueryVersion(display, &major, &minor) == Success && major >= 2;
    if (selected) {
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
        XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
        XSync(display, False); // the selection holds, or has failed, before the hook is reported
        selected = !g_requestFailed;
    }
    XSetErrorHandler(previous);
    return selected;
}

} // namespace

std::unique_ptr<Hook> install(Handler handler)
{
    // Xvfb now and then drops a connection while it is being set up; a second try gets through.
    Display* display = nullptr;
    for (int attempt = 0; attempt < 3 && !display; ++attempt)
        display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    int opcode = 0;
    if (!selectRawKeys(display, &opcode)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11Hook>(display, opcode, std::move(handler));
}

} // namespace keyboardhook
