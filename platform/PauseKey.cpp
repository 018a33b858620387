#include "platform/PauseKey.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

PauseKey::~PauseKey() {
    if (display) XCloseDisplay(static_cast<Display*>(display));
}

bool PauseKey::open(unsigned long window) {
    if (display || !window) return display != nullptr;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    // Key presses may be selected by any number of clients: GLUT keeps its own.
    XSelectInput(d, static_cast<Window>(window), KeyPressMask);
    XFlush(d);
    display = d;
    return true;
}

int PauseKey::takePresses() {
    if (!display) return 0;
    Display* d = static_cast<Display*>(display);
    int presses = 0;
    while (XPending(d) > 0) {
        XEvent event;
        XNextEvent(d, &event);
        if (event.type == KeyPress && XLookupKeysym(&event.xkey, 0) == XK_Pause) ++presses;
    }
    return presses;
}
