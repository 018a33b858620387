#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "CoreTestSupport.h"
#include "objects/Spaceship.h"
#include "platform/Clock.h"

using coretest::CoreTest;

namespace {

// Lets `ms` milliseconds pass on the manual clock and calls idle once.
void pass(uint32_t ms) {
    testclock::advance(ms);
    Game::instance().idle();
}

// Runs exactly n steps through idle: n * 5 ms plus the 1 ms that the strict test needs.
void steps(int n) {
    Game& game = Game::instance();
    game.timeAccumulator = 0;
    pass(static_cast<uint32_t>(5 * n + 1));
}

float shipVx() { return Game::instance().getShip()->getVelocity().x; }

}  // namespace

TEST_F(CoreTest, ClockRunsAStepOnlyWhenMoreThanFiveMsArePending) {
    coretest::startGame(100000);
    EXPECT_EQ(game().lastFrameTime, 100000u);
    EXPECT_FLOAT_EQ(game().forwardSpeed, 0.005f);
    const float eyeZ = game().getChaseCamera().getEye().z;
    EXPECT_FLOAT_EQ(eyeZ, 0.5f);

    pass(5);
    EXPECT_FLOAT_EQ(game().timeAccumulator, 5.0f);
    EXPECT_FLOAT_EQ(game().getChaseCamera().getEye().z, eyeZ) << "exactly 5 ms must wait";
    EXPECT_FLOAT_EQ(game().forwardSpeed, 0.005f);

    pass(1);
    EXPECT_FLOAT_EQ(game().timeAccumulator, 1.0f);
    // One step at 0.005 units per ms over 5 ms, for both cameras and the ship.
    EXPECT_NEAR(game().getChaseCamera().getEye().z, eyeZ - 0.025f, 1e-6);
    EXPECT_NEAR(game().getChaseCamera().getCenter().z, -1.5f - 0.025f, 1e-6);
    EXPECT_NEAR(game().getTopDownCamera().getEye().z, -1.25f - 0.025f, 1e-6);
    EXPECT_NEAR(game().getShip()->getPosition().z, -1.25f - 0.025f, 1e-6);
    EXPECT_NEAR(game().forwardSpeed, 0.005f + 1e-7f, 1e-9);
    EXPECT_EQ(game().scorePanelTimer, 5);
    EXPECT_EQ(game().lastFrameTime, 100006u);
}

TEST_F(CoreTest, HeldLeftArrowSteersToTheLimitAndReleaseDecays) {
    coretest::startGame();
    ASSERT_EQ(game().getShip()->getMotionState(), OnGround);
    game().special(GLUT_KEY_LEFT, 0, 0);
    EXPECT_TRUE(game().leftHeld);

    steps(1);
    EXPECT_NEAR(shipVx(), -0.00025f, 1e-7);
    steps(18);
    EXPECT_NEAR(shipVx(), -0.00475f, 1e-7) << "19 steps are not yet at the limit";
    steps(1);
    EXPECT_NEAR(shipVx(), -0.005f, 1e-7);
    steps(20);
    EXPECT_FLOAT_EQ(shipVx(), -0.005f) << "the limit holds while the arrow is held";

    game().specialUp(GLUT_KEY_LEFT, 0, 0);
    EXPECT_FALSE(game().leftHeld);
    // A quarter less per step, then a snap to zero once below 0.0009.
    float expected = -0.005f;
    for (int i = 0; i < 5; ++i) {
        steps(1);
        expected *= 0.75f;
        EXPECT_NEAR(shipVx(), expected, 1e-7) << "after release step " << i + 1;
    }
    EXPECT_LT(std::fabs(expected * 0.75f), 0.0009f);
    steps(1);
    EXPECT_EQ(shipVx(), 0.0f);
}

TEST_F(CoreTest, BothArrowsHeldChangeNothingAndReleasingOneResumes) {
    coretest::startGame();
    game().special(GLUT_KEY_LEFT, 0, 0);
    steps(4);
    EXPECT_NEAR(shipVx(), -0.001f, 1e-7);
    game().special(GLUT_KEY_RIGHT, 0, 0);
    steps(3);
    EXPECT_NEAR(shipVx(), -0.001f, 1e-7);
    game().specialUp(GLUT_KEY_RIGHT, 0, 0);
    steps(1);
    EXPECT_NEAR(shipVx(), -0.00125f, 1e-7);

    // The right arrow alone steers the other way at the same rate.
    game().specialUp(GLUT_KEY_LEFT, 0, 0);
    game().getShip()->setVelocity(0, 0, 0);
    game().special(GLUT_KEY_RIGHT, 0, 0);
    steps(2);
    EXPECT_NEAR(shipVx(), 0.0005f, 1e-7);
}

TEST_F(CoreTest, SteeringIsFiveTimesWeakerWhileJumping) {
    coretest::startGame();
    game().special(GLUT_KEY_UP, 0, 0);
    ASSERT_EQ(game().getShip()->getMotionState(), Jumping);
    EXPECT_NEAR(game().getShip()->getVelocity().y, 0.003f * 1.75f, 1e-7);
    game().special(GLUT_KEY_LEFT, 0, 0);
    steps(2);
    EXPECT_NEAR(shipVx(), -2 * 0.003f * 5 / 300, 1e-7);
    // No decay in the air with no arrow held.
    game().specialUp(GLUT_KEY_LEFT, 0, 0);
    const float vx = shipVx();
    steps(3);
    EXPECT_FLOAT_EQ(shipVx(), vx);
}

TEST_F(CoreTest, ForwardSpeedIsCappedAt008) {
    coretest::startGame();
    game().forwardSpeed = 0.08f - 1.5e-7f;
    steps(1);
    EXPECT_LT(game().forwardSpeed, 0.08f);
    steps(1);
    EXPECT_FLOAT_EQ(game().forwardSpeed, 0.08f);
    for (int i = 0; i < 10; ++i) {
        steps(7);
        EXPECT_LE(game().forwardSpeed, 0.08f);
    }
    EXPECT_FLOAT_EQ(game().forwardSpeed, 0.08f);
}

TEST_F(CoreTest, ChaseCameraIsSoftLimitedSideways) {
    struct Case {
        float in, expected;
    } cases[] = {{3.0f, static_cast<float>(std::tanh(1.5) + 1.5)},
                 {-3.0f, static_cast<float>(-std::tanh(1.5) - 1.5)},
                 {1.0f, 1.0f},
                 {1.6f, static_cast<float>(std::tanh(0.1) + 1.5)}};
    for (const Case& c : cases) {
        coretest::startGame();
        Spaceship* ship = game().getShip();
        const float3 p = ship->getPosition();
        ship->setPosition(c.in, p.y, p.z);
        const float3 e = game().getChaseCamera().getEye();
        const float3 ce = game().getChaseCamera().getCenter();
        game().getChaseCamera().setEye(c.in, e.y, e.z);
        game().getChaseCamera().setCenter(c.in, ce.y, ce.z);
        steps(1);
        EXPECT_NEAR(game().getChaseCamera().getEye().x, c.expected, 1e-4) << "eye from " << c.in;
        EXPECT_NEAR(game().getChaseCamera().getCenter().x, c.expected, 1e-4) << "centre from " << c.in;
    }
    EXPECT_NEAR(std::tanh(1.5) + 1.5, 2.405, 1e-3);

    // The heights follow the ship by a tenth per step.
    coretest::startGame();
    const float3 e = game().getChaseCamera().getEye();
    const float3 ce = game().getChaseCamera().getCenter();
    Spaceship* ship = game().getShip();
    ship->setPosition(0, 2.0f, ship->getPosition().z);
    steps(1);
    EXPECT_NEAR(game().getChaseCamera().getEye().y, e.y * 0.9f + (2.0f + 1.4f) * 0.1f, 1e-5);
    EXPECT_NEAR(game().getChaseCamera().getCenter().y, ce.y * 0.9f + (2.0f + 0.5f) * 0.1f, 1e-5);
}

TEST_F(CoreTest, IdleOutsideTheGameChangesNothing) {
    coretest::startGame();
    steps(3);
    for (int s : {Title, Credits, Highscore, EnterName}) {
        game().state = s;
        const float3 eye = game().getChaseCamera().getEye();
        const float3 ship = game().getShip()->getPosition();
        const float speed = game().forwardSpeed;
        const float acc = game().timeAccumulator;
        const uint32_t last = game().lastFrameTime;
        const int timer = game().scorePanelTimer;
        pass(1000);
        EXPECT_EQ(game().getChaseCamera().getEye().z, eye.z) << "state " << s;
        EXPECT_EQ(game().getShip()->getPosition().z, ship.z);
        EXPECT_EQ(game().forwardSpeed, speed);
        EXPECT_EQ(game().timeAccumulator, acc);
        EXPECT_EQ(game().lastFrameTime, last);
        EXPECT_EQ(game().scorePanelTimer, timer);
    }
}

TEST_F(CoreTest, AWrapOfTheMillisecondCounterGivesTheSmallStep) {
    coretest::startGame(0xFFFFFFFCu);
    const float eyeZ = game().getChaseCamera().getEye().z;
    testclock::set(6);  // 10 ms after the start, across the wrap
    game().idle();
    EXPECT_FLOAT_EQ(game().timeAccumulator, 5.0f);
    EXPECT_NEAR(game().getChaseCamera().getEye().z, eyeZ - 0.025f, 1e-6);
    EXPECT_EQ(game().lastFrameTime, 6u);
}

TEST_F(CoreTest, ALongPauseIsSimulatedStepByStep) {
    coretest::startGame(5000);
    testclock::advance(60000);
    game().idle();
    // 60000 ms give 11999 steps (the last 5 ms wait); the panel timer loses 500 once.
    EXPECT_FLOAT_EQ(game().timeAccumulator, 5.0f);
    EXPECT_NEAR(game().forwardSpeed, 0.005f + 11999 * 1e-7f, 2e-6);
    EXPECT_EQ(game().scorePanelTimer, 11999 * 5 - 500);
    EXPECT_EQ(game().lastFrameTime, 65000u);
    // The camera went the whole way: the sum of 11999 steps of a growing speed.
    double z = 0.5, v = 0.005;
    for (int i = 0; i < 11999; ++i) {
        z -= v * 5;
        v += 1e-7;
    }
    EXPECT_NEAR(game().getChaseCamera().getEye().z, z, 0.05);
    EXPECT_EQ(game().state, Playing);
}

TEST_F(CoreTest, ScorePanelTimerIsCheckedAfterTheSteps) {
    coretest::startGame();
    steps(100);  // 500 ms: not above 500
    EXPECT_EQ(game().scorePanelTimer, 500);
    steps(1);
    EXPECT_EQ(game().scorePanelTimer, 5);
}
