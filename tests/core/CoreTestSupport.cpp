#include "CoreTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/TestGameFolder.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"
#include "support/GlHarness.h"

namespace coretest {
namespace {

std::string folder;
std::string output;
StartupSnapshot snapshot;

bool finished = false;
bool deathTestChild = false;

void removeFolder() {
    if (!folder.empty()) harness::removeTree(folder);
}

// A key that quits by mistake would end the test program with code 0 in the middle of the
// run; turn that into a failure. Death-test children are meant to exit.
void catchPrematureExit() {
    if (finished || deathTestChild) return;
    std::fprintf(stderr, "The game ended the test program before the tests finished.\n");
    std::fflush(stderr);
    removeFolder();
    std::_Exit(3);
}

bool isDeathTestChild() {
    const std::string cmdline = harness::readFileText("/proc/self/cmdline");
    return cmdline.find("--gtest_internal_run_death_test") != std::string::npos;
}

class StartedGame : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("ALSOFT_DRIVERS", "null", 0);
        folder = gamefolder::make("lumivex-core");
        ASSERT_FALSE(folder.empty());
        // Death-test children run this again and end by exit: clean up there too.
        std::atexit(removeFolder);
        deathTestChild = isDeathTestChild();
        std::atexit(catchPrematureExit);
        ASSERT_EQ(chdir(folder.c_str()), 0);

        Game& game = Game::instance();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 800.0 / 600.0, 0.1, 30.0);
        glMatrixMode(GL_MODELVIEW);

        harness::captureStdout();
        game.initSound();
        game.initResources();
        output = harness::capturedStdout();
        glGetError();

        snapshot.worldObjects = game.getWorld().getActiveObjects().size();
        snapshot.highscoreTextureNull = game.highscoreTexture == nullptr;
        snapshot.textureLoads = game.getResourceCache().textureLoadCount();
        if (game.musicChannel) game.musicChannel->getVolume(&snapshot.musicVolume);
        snapshot.cullFace = glIsEnabled(GL_CULL_FACE);
        snapshot.depthTest = glIsEnabled(GL_DEPTH_TEST);
        snapshot.pointSmooth = glIsEnabled(GL_POINT_SMOOTH);
        glGetIntegerv(GL_CULL_FACE_MODE, &snapshot.cullFaceMode);
    }
    void TearDown() override { finished = true; }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new StartedGame), true);

}  // namespace

const std::string& gameDir() { return folder; }
const std::string& startupOutput() { return output; }
const StartupSnapshot& startupSnapshot() { return snapshot; }

EffectGroup* groupNamed(const char* name) {
    for (EffectGroup* g = Game::instance().getConfig().firstEffectGroup; g; g = g->getNext())
        if (g->getName() && std::strcmp(g->getName(), name) == 0) return g;
    return nullptr;
}

int groupCount() {
    int n = 0;
    for (EffectGroup* g = Game::instance().getConfig().firstEffectGroup; g; g = g->getNext()) ++n;
    return n;
}

void noSpawns() { Game::instance().getWorld().setSpawnPressure(-1000000000); }

void startGame(uint32_t startMs) {
    testclock::enable(startMs);
    Game& game = Game::instance();
    game.state = Title;
    game.newGame();
    noSpawns();
}

void backToTitle() {
    Game& game = Game::instance();
    game.state = Title;
    game.leftHeld = game.rightHeld = false;
    game.bulletCount = 0;
    game.score = 0;
    while (!game.getHighscoreTable().getName().empty()) game.getHighscoreTable().removeLastChar();
    testclock::disable();
}

std::array<int, 3> colourAt(int x, int y, int half) {
    const int size = 2 * half + 1;
    std::vector<unsigned char> px = harness::readPixels(x - half, y - half, size, size);
    std::array<int, 3> sum{0, 0, 0};
    for (int i = 0; i < size * size; ++i)
        for (int c = 0; c < 3; ++c) sum[c] += px[static_cast<size_t>(i) * 4 + c];
    for (int c = 0; c < 3; ++c) sum[c] /= size * size;
    return sum;
}

bool near(const std::array<int, 3>& a, const std::array<int, 3>& b, int tolerance) {
    for (int c = 0; c < 3; ++c)
        if (std::abs(a[c] - b[c]) > tolerance) return false;
    return true;
}

void CoreTest::SetUp() { backToTitle(); }
void CoreTest::TearDown() { backToTitle(); }

}  // namespace coretest
