#include <unistd.h>

#include "CoreTest.h"
// After gtest (through CoreTest.h): Xlib's macros would break its templates.
#include <GL/glx.h>
#include <GL/glxext.h>

namespace {

std::string startupOutput;
size_t worldObjectsAfterStartup = 99;
bool finished = false;

struct StartedGame : ::testing::Environment {
    void SetUp() override {
        static const std::string dir = gamefolder::make("lumivex-core");
        ASSERT_EQ(chdir(dir.c_str()), 0);
        // A key that quits by mistake would end the program with code 0 and pass for success;
        // death-test children (which make their own folder) are meant to exit.
        static const bool child = harness::readFileText("/proc/self/cmdline").find("internal_run_death_test") != std::string::npos;
        std::atexit([] {
            harness::removeTree(dir);
            if (!finished && !child) std::fputs("The game quit before the tests finished.\n", stderr), std::_Exit(3);
        });
        Game::instance().initProjection();
        harness::captureStdout();
        Game::instance().initSound();
        Game::instance().initResources();
        startupOutput = harness::capturedStdout();
        worldObjectsAfterStartup = Game::instance().getWorld().getActiveObjects().size();
    }
    void TearDown() override { finished = true; }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new StartedGame), true);

}  // namespace

TEST_F(CoreTest, StartupWritesItsProgressInOrderAndLeavesTheWorldEmpty) {
    size_t at = 0;  // each line after the one before
    for (const char* line : {"Effect Groups setup START\n", "Shader debugging", "Effect Groups setup FINISHED\n",
                             "Textures Loaded\n"})
        EXPECT_NE(at = startupOutput.find(line, at), std::string::npos) << line << " missing or out of order";
    EXPECT_EQ(worldObjectsAfterStartup, 0u) << "the four preloaded objects never enter the world";
}

// The swap interval the game asks for is the drawable's where the driver has swap control;
// without it the game says so and draws on.
TEST_F(CoreTest, TheSwapIntervalAskedForIsTheDrawablesOrTheConsoleSaysWhyNot) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    ASSERT_NE(display, nullptr);
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    const std::string list = std::string(" ") + (extensions ? extensions : "") + " ";
    const bool ext = list.find(" GLX_EXT_swap_control ") != std::string::npos;
    const bool mesa = list.find(" GLX_MESA_swap_control ") != std::string::npos;
    for (int interval : {1, 0}) {
        game.swapInterval = interval;
        harness::captureStdout();
        game.applySwapInterval();
        const std::string said = harness::capturedStdout();
        if (!ext && !mesa) {
            EXPECT_EQ(said, "Swap interval " + std::to_string(interval) + " not set: the driver offers no swap control\n");
            continue;
        }
        EXPECT_EQ(said, "Swap interval " + std::to_string(interval) + "\n");
        if (ext) {
            unsigned value = 99;
            glXQueryDrawable(display, drawable, GLX_SWAP_INTERVAL_EXT, &value);
            EXPECT_EQ(value, static_cast<unsigned>(interval));
        }
    }
    EXPECT_EQ(harness::glErrors(), "");
    game.swapInterval = 1;
}
