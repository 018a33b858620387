#pragma once
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "core/Game.h"
#include "core/TestGameFolder.h"
#include "effects/EffectGroup.h"
#include "objects/Spaceship.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

// The game-core tests share one game, started once (sound and resources) by the environment
// in StartupTest.cpp inside a private game folder, the working directory of the program.
using gamefolder::near;
using gamefolder::Rgb;

// The style at position i (from 0) of the chain; the order is the game's levels.
inline EffectGroup* groupAt(int i) {
    EffectGroup* g = Game::instance().getConfig().firstEffectGroup;
    while (g && i-- > 0) g = g->getNext();
    return g;
}
// Chain positions of the styles the tests pick out.
enum StylePosition { kSsaoOnly = 2, kPhongSsao = 3, kNormalView = 4, kToon = 6, kLastStyle = 10 };

// A new game on the manual clock, with spawning off so only the test moves the game.
inline void startGame(uint32_t startMs = 100000) {
    testclock::enable(startMs);
    Game::instance().state = Title;
    Game::instance().newGame();
    Game::instance().getWorld().setSpawnPressure(-1000000000);
}

inline void type(const std::string& keys) {
    for (char c : keys) Game::instance().keyboard(static_cast<unsigned char>(c), 0, 0);
}

// Average colour of the (2 half + 1)^2 pixels around (x, y) of the read buffer.
inline Rgb colourAt(int x, int y, int half = 2) {
    const std::vector<unsigned char> px = harness::readPixels(x - half, y - half, 2 * half + 1, 2 * half + 1);
    Rgb sum{0, 0, 0};
    for (size_t i = 0; i < px.size(); ++i)
        if (i % 4 < 3) sum[i % 4] += px[i];
    for (int& c : sum) c /= static_cast<int>(px.size() / 4);
    return sum;
}

struct CoreTest : ::testing::Test {
    // Back on the title with no held keys, bullets, score or name, the real clock on.
    void SetUp() override {
        Game& g = Game::instance();
        g.state = Title;
        g.session = GameSession{};
        g.bulletCount = 0;
        while (!g.getHighscoreTable().getName().empty()) g.getHighscoreTable().removeLastChar();
        testclock::disable();
    }
    bool musicPaused() { bool paused = false; game.musicChannel->getPaused(&paused); return paused; }
    Game& game = Game::instance();
};
