// The fixed-step rules of the running game, without the Game and without GL.
#include <gtest/gtest.h>

#include "core/GameSession.h"
#include "core/Simulation.h"
#include "objects/Asteroid.h"
#include "objects/Camera.h"
#include "support/RulesHost.h"

namespace {

// A new game's values: cameras, ship, speed, as newGame leaves them.
struct Simulation : ::testing::Test, RulesWorld {
    GameSession session;
    Camera chase, topDown;
    Spaceship* ship = nullptr;

    void SetUp() override {
        chase.set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
        topDown.set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);
        ship = makeShip();
        ship->setPosition(0, 0.2f, -1.25f);
        session.forwardSpeed = host.config.startSpeed;
    }
    // What the idle handler does with elapsed ms: add them, then step while more than 5 are due.
    int pass(uint32_t ms) {
        simulation::addElapsed(session, ms);
        int n = 0;
        while (session.timeAccumulator > host.config.stepMs) {
            host.eyeZ = chase.getEye().z;
            simulation::step({session, chase, topDown, ship, world, host.config});
            ++n;
        }
        return n;
    }
    void steps(int n) {
        session.timeAccumulator = 0;
        ASSERT_EQ(pass(static_cast<uint32_t>(5 * n + 1)), n);
    }
    float vx() const { return ship->getVelocity().x; }
};

TEST_F(Simulation, StepsRunOnlyWhenMoreThanFiveMsArePendingAndMoveEverythingForward) {
    EXPECT_EQ(pass(5), 0) << "exactly 5 ms wait";
    EXPECT_EQ(pass(1), 1);
    EXPECT_FLOAT_EQ(session.timeAccumulator, 1.0f);
    for (float moved : {chase.getEye().z - 0.5f, chase.getCenter().z + 1.5f, topDown.getEye().z + 1.25f, ship->getPosition().z + 1.25f})
        EXPECT_NEAR(moved, -0.025f, 1e-6) << "both cameras and the ship";
    EXPECT_NEAR(session.forwardSpeed, 0.005f + 1e-7f, 1e-9);
    EXPECT_EQ(session.scorePanelTimer, 5);

    session.forwardSpeed = 0.08f - 1.5e-7f;
    steps(1);
    EXPECT_LT(session.forwardSpeed, 0.08f);
    steps(10);
    EXPECT_EQ(session.forwardSpeed, 0.08f) << "the cap";
}

TEST_F(Simulation, AStallIsCutTo250MsAndWhatWasDroppedNeitherScoresNorHits) {
    // Five minutes stopped, with the field full: one call runs 50 steps, not 60000.
    host.eyeZ = chase.getEye().z;
    for (int i = 0; i < 30; ++i) world.addObject(new Asteroid(0.06f), false);
    EXPECT_EQ(pass(300000), 49) << "250 ms pending: 49 steps, the last 5 ms wait";
    EXPECT_FLOAT_EQ(session.timeAccumulator, 5.0f);
    EXPECT_EQ(host.score + host.hits, 0) << "asteroids 30 units ahead cannot leave the field in 245 ms";
    // Ordinary frames are not touched by the cap.
    EXPECT_EQ(pass(17), 4);
    EXPECT_FLOAT_EQ(session.timeAccumulator, 2.0f);
}

TEST_F(Simulation, ArrowsSteerToTheLimitAndReleaseDecays) {
    // Both arrows held change nothing; 19 steps are not yet at the limit, which then holds.
    const struct { bool right; int steps; float vx; } phases[] = {
        {false, 4, -0.001f}, {true, 3, -0.001f}, {false, 15, -0.00475f}, {false, 1, -0.005f}, {false, 20, -0.005f}};
    session.leftHeld = true;
    for (const auto& p : phases) {
        session.rightHeld = p.right;
        steps(p.steps);
        EXPECT_NEAR(vx(), p.vx, 1e-7) << p.steps << " steps" << (p.right ? " with both arrows" : "");
    }

    session.leftHeld = false;
    float expected = vx();
    for (int i = 1; i <= 5; ++i) {
        steps(1);
        expected *= 0.75f;
        EXPECT_NEAR(vx(), expected, 1e-7) << "release step " << i;
    }
    steps(1);  // 0.75 of 0.00119 is below 0.0009
    EXPECT_EQ(vx(), 0.0f);

    // In a jump the arrows steer five times more gently and nothing decays.
    ship->setMotionState(Jumping);
    ship->setVelocity(0.002f, 0, 0);
    steps(1);
    EXPECT_FLOAT_EQ(vx(), 0.002f);
    session.rightHeld = true;
    steps(1);
    EXPECT_NEAR(vx(), 0.002f + 0.003f * 5 / 300, 1e-7);
}

TEST_F(Simulation, TheChaseCameraSoftLimitKeepsItWithin2Point5) {
    EXPECT_DOUBLE_EQ(simulation::softLimit(1.5), 1.5);
    EXPECT_NEAR(simulation::softLimit(-100.0), -2.5, 1e-12);
    const float3 p = ship->getPosition(), e = chase.getEye(), c = chase.getCenter();
    ship->setPosition(3, p.y, p.z);
    chase.setEye(3, e.y, e.z);
    chase.setCenter(3, c.y, c.z);
    steps(1);  // a camera x of 3 is stored as tanh(1.5) + 1.5
    EXPECT_NEAR(chase.getEye().x, 2.405f, 1e-3);
    EXPECT_NEAR(chase.getCenter().x, 2.405f, 1e-3);
}

TEST_F(Simulation, SignsArePlacedOnceEachAheadOfTheShipAndOnlyOneAStep) {
    session.score = 4750;
    steps(1);
    EXPECT_FALSE(session.firstSignShown) << "4750 is not above 4750";
    session.score = 20000;  // both thresholds passed at once
    steps(1);
    EXPECT_TRUE(session.firstSignShown);
    EXPECT_FALSE(session.secondSignShown) << "the attack sign waits for the next step";
    EXPECT_FLOAT_EQ(world.signPosition.x, -6.0f);
    EXPECT_NEAR(world.signPosition.z, ship->getPosition().z - 30.0f, 1e-5);
    steps(1);
    EXPECT_TRUE(session.secondSignShown);
    const float z = world.signPosition.z;
    steps(5);
    EXPECT_FLOAT_EQ(world.signPosition.z, z) << "placed once";
}

}  // namespace
