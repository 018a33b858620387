#include <GL/glew.h>
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) would break its templates.
#include <GL/glx.h>
#include <GL/glxext.h>

#include <string>

#include "platform/SwapInterval.h"

namespace {

bool glxHas(Display* display, const char* name) {
    const char* list = glXQueryExtensionsString(display, DefaultScreen(display));
    return list && (" " + std::string(list) + " ").find(" " + std::string(name) + " ") != std::string::npos;
}

}  // namespace

// Nothing happens without a current context; with one, the interval is the drawable's.
TEST(SwapInterval, SetsTheIntervalOfTheCurrentDrawableOnly) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    const GLXContext context = glXGetCurrentContext();
    ASSERT_TRUE(display && drawable && context);
    ASSERT_TRUE(glXMakeCurrent(display, None, nullptr));
    EXPECT_FALSE(wglSwapIntervalEXT(0));
    ASSERT_TRUE(glXMakeCurrent(display, drawable, context));
    if (!glxHas(display, "GLX_EXT_swap_control") && !glxHas(display, "GLX_MESA_swap_control")) {
        EXPECT_FALSE(wglSwapIntervalEXT(0));
        GTEST_SKIP() << "no swap-control extension on this display";
    }
    for (unsigned interval : {1u, 0u}) {
        ASSERT_TRUE(wglSwapIntervalEXT(interval));
        unsigned value = 99;
        if (!glxHas(display, "GLX_EXT_swap_control")) continue;  // the MESA extension has no query
        glXQueryDrawable(display, drawable, GLX_SWAP_INTERVAL_EXT, &value);
        EXPECT_EQ(value, interval);
    }
}
