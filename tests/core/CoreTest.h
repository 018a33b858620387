#pragma once
// The game-core tests share one game, started once (sound and resources) inside a private game
// folder, the working directory of the program. They drive it as a player does, through its
// handlers, on the manual clock, and read it through its accessors.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/Game.h"
#include "support/GameFolder.h"
#include "effects/EffectGroup.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

using gamefolder::near;
using gamefolder::Rgb;

// Chain positions of the styles the tests pick out.
enum StylePosition { kSsaoOnly = 2, kToon = 6 };

// A rectangle of the back buffer (x, y from the bottom left) as RGBA rows, bottom row first.
inline std::vector<unsigned char> backBuffer(int x = 0, int y = 0, int width = 800, int height = 600) {
    glReadBuffer(GL_BACK);
    return harness::readPixels(x, y, width, height);
}

// How many pixels of the rectangle have a colour that passes.
inline int pixelsWhere(int x, int y, int width, int height, const std::function<bool(int r, int g, int b)>& passes) {
    const std::vector<unsigned char> p = backBuffer(x, y, width, height);
    int n = 0;
    for (size_t i = 0; i < p.size(); i += 4) n += passes(p[i], p[i + 1], p[i + 2]);
    return n;
}

// Average colour of the (2 half + 1)^2 pixels around (x, y) of the back buffer.
inline Rgb colourAt(int x, int y, int half = 2) {
    const std::vector<unsigned char> px = backBuffer(x - half, y - half, 2 * half + 1, 2 * half + 1);
    Rgb sum{0, 0, 0};
    for (size_t i = 0; i < px.size(); ++i)
        if (i % 4 < 3) sum[i % 4] += px[i];
    for (int& c : sum) c /= static_cast<int>(px.size() / 4);
    return sum;
}

struct CoreTest : ::testing::Test {
    Game& game = Game::instance();
    // The manual clock only moves forward, from test to test too: the game remembers times.
    static inline uint32_t now = 100000;

    // Back on the title with the default settings (the rules already shown), the manual clock on.
    void SetUp() override {
        testclock::enable(now);
        Settings settings;
        settings.howToPlaySeen = true;
        game.changeSettings(settings);
        toTitle();
    }
    void TearDown() override { testclock::disable(); }

    // Keys, then (if asked) that long in flight, as fly() does by default.
    void type(const std::string& keys, uint32_t thenMs = 0) {
        for (char c : keys) game.keyboard(static_cast<unsigned char>(c), 0, 0);
        fly(thenMs);
    }
    void press(int special, uint32_t thenMs = 0) { game.special(special, 0, 0), fly(thenMs); }
    void release(int special) { game.specialUp(special, 0, 0); }
    // Frames of the given length on the manual clock, drawn or not.
    void fly(uint32_t ms, uint32_t frameMs = 16, bool draw = false) {
        for (uint32_t t = 0; t < ms; t += frameMs) {
            testclock::set(now += frameMs);
            game.idle();
            if (draw) game.display();
        }
    }
    // A seeded flight with nothing in the field but what the test brings (the world spawns
    // nothing in its first seconds).
    void startFlight(uint32_t seed = 5) {
        toTitle();
        game.newGame(seed);
        ASSERT_EQ(game.screen(), Playing);
    }
    // The n-th style of the chain, reached with F3 (one press a step).
    void toStyle(int n) {
        for (int i = game.flight().style; i < n; ++i) press(GLUT_KEY_F3);
        for (int t = 0; t < 100 && game.flight().style != n; ++t) fly(5, 5);
        ASSERT_EQ(game.flight().style, n);
    }
    // Points, as a player earns them: ten seconds at the left edge while the field passes by.
    void earnPoints() {
        press(GLUT_KEY_LEFT);
        for (int i = 0; i < 6; ++i) press(GLUT_KEY_F1);
        fly(12000, 50);
        release(GLUT_KEY_LEFT);
        ASSERT_GT(game.flight().score, 0);
    }
    // Hits until the flight ends, and its last moment has passed.
    void crash() {
        for (int i = 0; i < 12 && !game.flight().over; ++i) press(GLUT_KEY_F2, 10);
        for (int t = 0; t < 100 && game.screen() == Playing; ++t) fly(50, 50);
    }
    // Steers under the bullet power-ups F8 brings (to where each will be when it reaches the
    // ship) until the gun holds bullets.
    void collectBullets() {
        for (int t = 0; t < 3000 && game.flight().bulletCount == 0; ++t) {
            if (t % 800 == 0) press(GLUT_KEY_F8);
            const GameState& f = game.flight();
            const float3 ship = f.ship->getPosition();
            float target = ship.x;
            for (const GameObject* obj : f.world.getActiveObjects())
                if (obj->getKind() == ObjectKind::BulletPowerUp && obj->getPosition().z < ship.z) {
                    const float3 p = obj->getPosition(), v = obj->getVelocity();
                    target = p.x + v.x * (ship.z - p.z) / (f.forwardSpeed + v.z);
                }
            ship.x > target + 0.05f ? press(GLUT_KEY_LEFT) : release(GLUT_KEY_LEFT);
            ship.x < target - 0.05f ? press(GLUT_KEY_RIGHT) : release(GLUT_KEY_RIGHT);
            fly(10);
        }
        release(GLUT_KEY_LEFT), release(GLUT_KEY_RIGHT);
        ASSERT_GT(game.flight().bulletCount, 0) << (game.flight().over ? "hit meanwhile" : "none caught");
    }
    void toTitle() {
        if (game.isPaused()) type("p");
        if (game.isDemoRunning()) type("x");
        if (game.screen() == Playing) game.newGame(1), crash();  // no points: straight to the table
        if (game.screen() == EnterName) type("x\r");
        if (game.screen() == Highscore || game.screen() == EnterName) type("m");
        if (game.screen() == Credits || game.screen() == SettingsScreen || game.screen() == ReplaysScreen) type("b");
        if (game.audio().isMusicPaused()) type("m");  // on the title "m" only resumes the music
        game.display();
    }
};
