#include <GL/glew.h>
#include <gtest/gtest.h>
// After gtest: Xlib's macros (None, Bool, ...) would break its templates.
#include <GL/glx.h>
#include <GL/glxext.h>

#include <cstring>

#include "platform/SwapInterval.h"

namespace {

bool glxHas(Display* display, const char* name) {
    const char* list = glXQueryExtensionsString(display, DefaultScreen(display));
    if (!list) return false;
    const size_t len = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += len)
        if ((p == list || p[-1] == ' ') && (p[len] == ' ' || p[len] == '\0')) return true;
    return false;
}

unsigned currentInterval(Display* display, GLXDrawable drawable) {
    unsigned value = 99;
    glXQueryDrawable(display, drawable, GLX_SWAP_INTERVAL_EXT, &value);
    return value;
}

}  // namespace

TEST(SwapInterval, SetsTheIntervalOfTheCurrentDrawable) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    ASSERT_NE(display, nullptr);
    ASSERT_NE(drawable, 0u);
    if (!glxHas(display, "GLX_EXT_swap_control") && !glxHas(display, "GLX_MESA_swap_control")) {
        EXPECT_FALSE(wglSwapIntervalEXT(0));
        GTEST_SKIP() << "no swap-control extension on this display";
    }
    ASSERT_TRUE(wglSwapIntervalEXT(1));
    if (glxHas(display, "GLX_EXT_swap_control")) {
        EXPECT_EQ(currentInterval(display, drawable), 1u);
    }
    ASSERT_TRUE(wglSwapIntervalEXT(0));
    if (glxHas(display, "GLX_EXT_swap_control")) {
        EXPECT_EQ(currentInterval(display, drawable), 0u);
    }
}

TEST(SwapInterval, DoesNothingWithoutACurrentContext) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    const GLXContext context = glXGetCurrentContext();
    ASSERT_NE(context, nullptr);
    ASSERT_TRUE(glXMakeCurrent(display, None, nullptr));
    EXPECT_FALSE(wglSwapIntervalEXT(0));
    ASSERT_TRUE(glXMakeCurrent(display, drawable, context));
    EXPECT_EQ(glXGetCurrentContext(), context);
}
