#include <unistd.h>

#include "CoreTest.h"

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
