#include <GL/glew.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "core/StartupChecks.h"
#include "support/GlHarness.h"

namespace {

const char* const kGame = LUMIVEX_GAME_DIR "/lumivex";

// Polls until the condition holds, giving up after a generous limit for a loaded machine.
bool waitFor(const std::function<bool()>& condition, int seconds) {
    for (int i = 0; i < seconds * 10 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return condition();
}

// Runs the built game as a child on the current display, from the game folder, with its console
// going into a temp file. The child is always killed in TearDown.
class GameProcess : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kGame, X_OK), 0) << kGame << " is not built";
        ASSERT_NE(std::getenv("DISPLAY"), nullptr);
        // An old log of an earlier run must be replaced, not appended to.
        harness::writeFileText(LUMIVEX_GAME_DIR "/log.txt", "stale log of an earlier run\n");
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        harness::removeTree(outDir);
    }

    std::string console() const { return harness::readFileText(outDir + "/console.txt"); }

    // True while the child runs; once it has ended, exitStatus holds its wait status.
    bool running() {
        if (pid > 0 && waitpid(pid, &exitStatus, WNOHANG) == pid) pid = -1;
        return pid > 0;
    }

    // Starts the game, waits for the end of its start-up and returns the id of the window titled
    // exactly "Lumivex" (empty if there is none).
    std::string startAndFindWindow() {
        std::fflush(stdout);
        pid = fork();
        if (pid == 0) {
            if (chdir(LUMIVEX_GAME_DIR) != 0 || !std::freopen((outDir + "/console.txt").c_str(), "w", stdout) ||
                dup2(fileno(stdout), STDERR_FILENO) < 0)
                _exit(126);
            setenv("ALSOFT_DRIVERS", "null", 0);
            execl(kGame, kGame, static_cast<char*>(nullptr));
            _exit(127);
        }
        waitFor([this] { return console().find("Textures Loaded\n") != std::string::npos || !running(); }, 120);
        std::string window;
        waitFor([&window] { return harness::runCommand("xdotool search --name '^Lumivex$'", &window) == 0; }, 10);
        return window.substr(0, window.find('\n'));
    }

    void pressAndExpectExit(const std::string& window, const std::string& key) {
        EXPECT_EQ(harness::runCommand("xdotool windowfocus --sync " + window + " key --clearmodifiers " + key), 0);
        ASSERT_TRUE(waitFor([this] { return !running(); }, 30)) << "the game ignored " << key << "\n" << console();
        ASSERT_TRUE(WIFEXITED(exitStatus)) << "ended by a signal\n" << console();
        EXPECT_EQ(WEXITSTATUS(exitStatus), 0) << console();
    }

    const std::string outDir = harness::makeTempDir("lumivex-process");
    pid_t pid = -1;
    int exitStatus = -1;
};

TEST_F(GameProcess, Opens800x600WindowWritesItsLogAndQuitsOnEscape) {
    const std::string window = startAndFindWindow();
    ASSERT_FALSE(window.empty()) << "no window titled Lumivex; console:\n" << console();
    std::string info;
    ASSERT_EQ(harness::runCommand("xwininfo -id " + window, &info), 0);
    EXPECT_NE(info.find("Width: 800\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 600\n"), std::string::npos) << info;
    const std::string log = harness::readFileText(LUMIVEX_GAME_DIR "/log.txt");
    EXPECT_EQ(log.rfind("Lumenwerk Framework Logfile v0.05\n", 0), 0u) << log.substr(0, 200);
    EXPECT_EQ(log.find("stale log"), std::string::npos);
    pressAndExpectExit(window, "Escape");
}

TEST_F(GameProcess, QuitsWithCodeZeroOnQ) {
    const std::string window = startAndFindWindow();
    ASSERT_FALSE(window.empty()) << console();
    pressAndExpectExit(window, "q");
}

// Without GLEW's entry points every later GL call would jump through a null pointer.
TEST(StartupChecksDeathTest, MissingGlewStopsWithAMessage) {
    requireGlew(GLEW_OK);  // returns quietly
    EXPECT_EXIT(requireGlew(GLEW_ERROR_NO_GL_VERSION), testing::ExitedWithCode(1),
                "Could not initialise GLEW: Missing GL version");
}

}  // namespace
