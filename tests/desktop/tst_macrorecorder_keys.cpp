#include <QList>

#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

// Kept apart from the test: the X headers' macros (None, Bool) clash with ordinary names.
bool fakeKeys(const QList<int>& steps)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    for (int step : steps)
        XTestFakeKeyEvent(display, unsigned(std::abs(step)), step > 0, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
