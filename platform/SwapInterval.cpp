#include "platform/SwapInterval.h"

#include <GL/glx.h>
#include <cstring>

namespace {
bool hasExtension(Display* display, int screen, const char* name) {
    const char* list = glXQueryExtensionsString(display, screen);
    if (!list) return false;
    const size_t len = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += len) {
        const bool startOk = (p == list) || p[-1] == ' ';
        const bool endOk = p[len] == ' ' || p[len] == '\0';
        if (startOk && endOk) return true;
    }
    return false;
}
}  // namespace

bool wglSwapIntervalEXT(int interval) {
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable) return false;
    const int screen = DefaultScreen(display);
    if (hasExtension(display, screen, "GLX_EXT_swap_control")) {
        using Fn = void (*)(Display*, GLXDrawable, int);
        auto fn = reinterpret_cast<Fn>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
        if (fn) {
            fn(display, drawable, interval);
            return true;
        }
    }
    if (hasExtension(display, screen, "GLX_MESA_swap_control")) {
        using Fn = int (*)(unsigned);
        auto fn = reinterpret_cast<Fn>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
        if (fn) return fn(static_cast<unsigned>(interval)) == 0;
    }
    return false;
}
