#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "objects/Spaceship.h"

// The game-core tests share one started game: a private game folder (the working directory
// for the whole test program), the sound start-up and the resource start-up, run once.
namespace coretest {

// The private game folder.
const std::string& gameDir();
// Everything the two start-ups wrote to standard output.
const std::string& startupOutput();

// What the start-up left behind, recorded right after it.
struct StartupSnapshot {
    size_t worldObjects = 0;
    bool highscoreTextureNull = false;
    int textureLoads = 0;
    float musicVolume = -1;
    bool cullFace = false, depthTest = false, pointSmooth = false;
    int cullFaceMode = 0;
};
const StartupSnapshot& startupSnapshot();

// The effect group with that display name, or null.
EffectGroup* groupNamed(const char* name);
// Number of groups in the chain.
int groupCount();

// A new game on the manual clock (now = startMs), with spawning switched off so nothing
// but the test moves the game.
void startGame(uint32_t startMs = 100000);
// Switches spawning off for the running game.
void noSpawns();
// Back to the title screen with no held keys, the manual clock off.
void backToTitle();

// Average colour of a square of pixels around (x, y) of the current read buffer.
std::array<int, 3> colourAt(int x, int y, int half = 2);
bool near(const std::array<int, 3>& a, const std::array<int, 3>& b, int tolerance = 12);

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Game& game() { return Game::instance(); }
};

}  // namespace coretest
