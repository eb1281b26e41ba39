#include <QList>

#include <cstdlib>

#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

// Kept apart from the test: the X headers' macros (None, Bool) clash with ordinary names.
bool fakeKeys(const QList<int>& steps)
{
    // Xvfb now and then refuses a connection opened right after another one closed: try again.
    Display* display = nullptr;
    for (int attempt = 0; attempt < 20 && !display; ++attempt) {
        display = XOpenDisplay(nullptr);
        if (!display)
            usleep(50000);
    }
    if (!display)
        return false;
    for (int step : steps)
        XTestFakeKeyEvent(display, unsigned(std::abs(step)), step > 0, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
