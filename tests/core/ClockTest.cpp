#include "CoreTest.h"

namespace {

void pass(uint32_t ms) { testclock::advance(ms), Game::instance().idle(); }
// Exactly n steps in one idle call: n * 5 ms plus the 1 ms that "more than 5 ms" needs.
void steps(int n) { Game::instance().timeAccumulator = 0, pass(static_cast<uint32_t>(5 * n + 1)); }
float vx() { return Game::instance().getShip()->getVelocity().x; }
float eyeZ() { return Game::instance().getChaseCamera().getEye().z; }

}  // namespace

TEST_F(CoreTest, ClockRunsFiveMsStepsOnlyWhenMoreArePending) {
    startGame();
    const float z = eyeZ();
    pass(5);
    EXPECT_FLOAT_EQ(eyeZ(), z) << "exactly 5 ms wait";
    pass(1);
    EXPECT_FLOAT_EQ(game.timeAccumulator, 1.0f);
    EXPECT_NEAR(eyeZ(), z - 0.025f, 1e-6);
    EXPECT_NEAR(game.forwardSpeed, 0.005f + 1e-7f, 1e-9);

    startGame(0xFFFFFFFCu);
    testclock::set(6);  // 10 ms later, across the wrap of the counter
    game.idle();
    EXPECT_FLOAT_EQ(game.timeAccumulator, 5.0f);
    EXPECT_NEAR(eyeZ(), z - 0.025f, 1e-6);
    EXPECT_EQ(game.lastFrameTime, 6u);

    // A long pause: 11999 steps (the last 5 ms wait), each 1e-7 faster than the one before.
    startGame(5000);
    pass(60000);
    const double n = 11999;
    EXPECT_FLOAT_EQ(game.timeAccumulator, 5.0f);
    EXPECT_NEAR(game.forwardSpeed, 0.005 + n * 1e-7, 2e-6);
    EXPECT_NEAR(eyeZ(), z - 5 * (n * 0.005 + 1e-7 * n * (n - 1) / 2), 0.05);
    EXPECT_EQ(game.lastFrameTime, 65000u);
}

TEST_F(CoreTest, ArrowsSteerToTheLimitAndReleaseDecays) {
    startGame();
    ASSERT_EQ(game.getShip()->getMotionState(), OnGround);
    game.special(GLUT_KEY_LEFT, 0, 0);
    steps(4);
    EXPECT_NEAR(vx(), -0.001f, 1e-7);
    game.special(GLUT_KEY_RIGHT, 0, 0);
    steps(3);
    EXPECT_NEAR(vx(), -0.001f, 1e-7) << "both arrows held change nothing";
    game.specialUp(GLUT_KEY_RIGHT, 0, 0);
    steps(15);
    EXPECT_NEAR(vx(), -0.00475f, 1e-7) << "19 steps are not yet at the limit";
    steps(1);
    EXPECT_NEAR(vx(), -0.005f, 1e-7);
    steps(20);
    EXPECT_NEAR(vx(), -0.005f, 1e-7) << "the limit holds";

    game.specialUp(GLUT_KEY_LEFT, 0, 0);
    float expected = vx();
    for (int i = 1; i <= 5; ++i) {
        steps(1);
        expected *= 0.75f;
        EXPECT_NEAR(vx(), expected, 1e-7) << "release step " << i;
    }
    steps(1);  // 0.75 of 0.00119 is below 0.0009
    EXPECT_EQ(vx(), 0.0f);
}

TEST_F(CoreTest, SpeedAndChaseCameraStayWithinBounds) {
    startGame();
    game.forwardSpeed = 0.08f - 1.5e-7f;
    steps(1);
    EXPECT_LT(game.forwardSpeed, 0.08f);
    steps(10);
    EXPECT_EQ(game.forwardSpeed, 0.08f);

    Camera& cam = game.getChaseCamera();
    const float3 p = game.getShip()->getPosition(), e = cam.getEye(), c = cam.getCenter();
    game.getShip()->setPosition(3, p.y, p.z);
    cam.setEye(3, e.y, e.z);
    cam.setCenter(3, c.y, c.z);
    steps(1);  // a camera x of 3 is stored as tanh(1.5) + 1.5
    EXPECT_NEAR(cam.getEye().x, 2.405f, 1e-3);
    EXPECT_NEAR(cam.getCenter().x, 2.405f, 1e-3);
}

TEST_F(CoreTest, IdleOutsideTheGameChangesNothing) {
    startGame();
    steps(3);
    for (int s : {Title, Credits, Highscore, EnterName}) {
        game.state = s;
        const float z = eyeZ(), acc = game.timeAccumulator;
        pass(1000);
        EXPECT_EQ(eyeZ(), z) << "state " << s;
        EXPECT_EQ(game.timeAccumulator, acc);
    }
}
