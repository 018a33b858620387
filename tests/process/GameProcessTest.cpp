#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "core/Game.h"
#include "core/StartupChecks.h"
#include "support/GlHarness.h"

namespace {

const char* const kGame = LUMIVEX_GAME_DIR "/lumivex";
const char* const kLogHeader = "Lumenwerk Framework Logfile v0.05\n";

// Generous limits for a loaded machine; the loops end as soon as the condition holds.
constexpr auto kStartLimit = std::chrono::seconds(120);
constexpr auto kExitLimit = std::chrono::seconds(30);

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return condition();
}

std::string trim(const std::string& text) {
    const size_t end = text.find_last_not_of(" \n\r\t");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// Runs the built game as a child on the current display, from the game folder, with its
// console output going into a temp file. The child is always killed in TearDown.
class GameProcess : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kGame, X_OK), 0) << kGame << " is not built";
        ASSERT_NE(std::getenv("DISPLAY"), nullptr);
        outDir = harness::makeTempDir("lumivex-process");
        ASSERT_FALSE(outDir.empty());
        consolePath = outDir + "/console.txt";
        // An old log from an earlier run must be replaced, not appended to.
        harness::writeFileText(LUMIVEX_GAME_DIR "/log.txt", "stale log of an earlier run\n");
    }

    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
        harness::removeTree(outDir);
    }

    void start() {
        std::fflush(stdout);
        std::fflush(stderr);
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (chdir(LUMIVEX_GAME_DIR) != 0) _exit(126);
            FILE* out = std::freopen(consolePath.c_str(), "w", stdout);
            if (!out || dup2(fileno(stdout), STDERR_FILENO) < 0) _exit(126);
            setenv("ALSOFT_DRIVERS", "null", 0);
            execl(kGame, kGame, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    std::string console() const { return harness::readFileText(consolePath); }

    // True while the child runs; once it has ended, exitStatus holds its wait status.
    bool running() {
        if (pid <= 0) return false;
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            exitStatus = status;
            pid = -1;
            return false;
        }
        return r == 0;
    }

    // Waits until start-up has finished (the last start-up message is out) and returns the
    // game window's id, or an empty string.
    std::string waitUntilStarted() {
        const bool started = waitFor(
            [this] { return console().find("Textures Loaded\n") != std::string::npos || !running(); },
            kStartLimit);
        EXPECT_TRUE(started && running()) << "the game did not start; its console:\n" << console();
        if (!running()) return std::string();
        std::string window;
        waitFor(
            [&window] {
                harness::runCommand("xdotool search --name '^Lumivex$' 2>/dev/null", &window);
                window = trim(window);
                return !window.empty();
            },
            std::chrono::seconds(10));
        if (window.find('\n') != std::string::npos) window = window.substr(0, window.find('\n'));
        return window;
    }

    void pressAndExpectExit(const std::string& window, const std::string& key) {
        // Give the main loop a moment to show its first frames; the key also works earlier.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const int sent =
            harness::runCommand("xdotool windowfocus --sync " + window + " key --clearmodifiers " + key + " 2>&1");
        EXPECT_EQ(sent, 0);
        const bool ended = waitFor([this] { return !running(); }, kExitLimit);
        ASSERT_TRUE(ended) << "the game ignored " << key << "; console:\n" << console();
        ASSERT_TRUE(WIFEXITED(exitStatus)) << "ended by signal " << WTERMSIG(exitStatus) << "\n" << console();
        EXPECT_EQ(WEXITSTATUS(exitStatus), 0) << console();
    }

    std::string outDir;
    std::string consolePath;
    pid_t pid = -1;
    int exitStatus = -1;
};

}  // namespace

TEST_F(GameProcess, OpensItsWindowWritesItsLogAndQuitsOnEscape) {
    start();
    const std::string window = waitUntilStarted();
    ASSERT_FALSE(window.empty()) << "no window titled Lumivex; console:\n" << console();

    std::string info;
    ASSERT_EQ(harness::runCommand("xwininfo -id " + window, &info), 0);
    EXPECT_NE(info.find("\"Lumivex\""), std::string::npos) << info;
    EXPECT_NE(info.find("Width: 800\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 600\n"), std::string::npos) << info;

    const std::string log = harness::readFileText(LUMIVEX_GAME_DIR "/log.txt");
    EXPECT_EQ(log.rfind(kLogHeader, 0), 0u) << log.substr(0, 200);
    EXPECT_EQ(log.find("stale log"), std::string::npos);

    // The start-up messages come in their order.
    const std::string out = console();
    const size_t groupsStart = out.find("Effect Groups setup START\n");
    const size_t groupsDone = out.find("Effect Groups setup FINISHED\n");
    const size_t textures = out.find("Textures Loaded\n");
    ASSERT_NE(groupsStart, std::string::npos) << out;
    ASSERT_NE(groupsDone, std::string::npos) << out;
    EXPECT_LT(groupsStart, groupsDone);
    EXPECT_LT(groupsDone, textures);

    pressAndExpectExit(window, "Escape");
}

TEST_F(GameProcess, QuitsWithCodeZeroOnQ) {
    start();
    const std::string window = waitUntilStarted();
    ASSERT_FALSE(window.empty()) << console();
    pressAndExpectExit(window, "q");
}

TEST_F(GameProcess, F12QuitsOnlyDuringAGame) {
    start();
    const std::string window = waitUntilStarted();
    ASSERT_FALSE(window.empty()) << console();
    // On the title screen F12 means nothing.
    ASSERT_EQ(harness::runCommand("xdotool windowfocus --sync " + window + " key F12 2>&1"), 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(running()) << "F12 ended the game on the title screen\n" << console();
    // "s" starts a game, where F12 quits.
    ASSERT_EQ(harness::runCommand("xdotool windowfocus --sync " + window + " key s 2>&1"), 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(running()) << console();
    pressAndExpectExit(window, "F12");
}

TEST(GameInstance, IsOneObjectStartingOnTheTitleScreen) {
    Game& game = Game::instance();
    EXPECT_EQ(&Game::instance(), &game);
    EXPECT_EQ(game.getState(), 0);
    EXPECT_EQ(game.getShip(), nullptr);
    EXPECT_EQ(game.getScore(), 0);
    EXPECT_EQ(game.scoreMultiplier, 1);
    EXPECT_EQ(game.bulletCount, 0);
    EXPECT_EQ(std::string(game.getConfig().windowTitle), "Lumivex");
    EXPECT_EQ(game.getConfig().windowWidth, 800);
    EXPECT_EQ(game.getConfig().windowHeight, 600);
}

TEST(StartupChecksDeathTest, MissingGlewStopsWithAMessage) {
    requireGlew(GLEW_OK);  // returns quietly
    EXPECT_EXIT(requireGlew(GLEW_ERROR_NO_GL_VERSION), testing::ExitedWithCode(1),
                "Could not initialise GLEW: Missing GL version");
}
