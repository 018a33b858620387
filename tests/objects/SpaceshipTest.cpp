#include "ObjectTestSupport.h"

#include <algorithm>

class SpaceshipTest : public objtest::GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        ship = makeShip();
        eyeZ = game().getChaseCamera().getEye().z;
    }
    Spaceship* ship = nullptr;
    float eyeZ = 0;
};

TEST_F(SpaceshipTest, ConstructedWithItsSizeAndOnTheGround) {
    EXPECT_FLOAT_EQ(ship->getRadius(), 0.16f);
    EXPECT_EQ(ship->getMotionState(), OnGround);
    EXPECT_FALSE(ship->finalGroupReached);
    EXPECT_NE(ship->getModel(), nullptr);
    EXPECT_NE(ship->getDisplayList(), 0u);
    EXPECT_EQ(ship->getSound(), nullptr);
}

TEST_F(SpaceshipTest, SideWallsStopTheShipAtThreeAndAHalf) {
    ship->setPosition(3.6f, 0.2f, eyeZ - 1.0f);
    ship->setVelocity(0.001f, 0, 0);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().x, 3.5f);
    EXPECT_FLOAT_EQ(ship->getVelocity().x, 0.0f);

    ship->setPosition(-3.6f, 0.2f, eyeZ - 1.0f);
    ship->setVelocity(-0.002f, 0, 0);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().x, -3.5f);
    EXPECT_FLOAT_EQ(ship->getVelocity().x, 0.0f);

    ship->setPosition(3.5f, 0.2f, eyeZ - 1.0f);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().x, 3.5f);
}

TEST_F(SpaceshipTest, LevelsOutInsideNinetyDegreesAndRollsOverBeyond) {
    ship->setRotation(0, 90, 45);
    ship->update(5.0f);
    EXPECT_NEAR(ship->getRotation().z, 44.1f, 1e-4);

    ship->setRotation(0, 90, 100);
    ship->update(5.0f);
    EXPECT_NEAR(ship->getRotation().z, 101.0f, 1e-4);
    float previous = ship->getRotation().z;
    int steps = 0;
    while (ship->getRotation().z >= previous && steps < 1000) {
        previous = ship->getRotation().z;
        ship->update(5.0f);
        ++steps;
    }
    EXPECT_GT(previous, 360.0f);
    EXPECT_GT(ship->getRotation().z, 0.0f) << "wrapped by one turn, then levelling out";
    EXPECT_LT(ship->getRotation().z, 4.0f);
}

TEST_F(SpaceshipTest, BankIsCappedWhileSteeringUnlessJumpingAndRollWraps) {
    ship->setRotation(0, 90, 89);
    ship->setVelocity(-0.005f, 0, 0);  // left held
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getRotation().z, 90.0f);

    ship->setRotation(0, 90, -89);
    ship->setVelocity(0.005f, 0, 0);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getRotation().z, -90.0f);

    ship->setMotionState(Jumping);
    ship->setRotation(0, 90, 89);
    ship->setVelocity(-0.005f, 0, 0);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getRotation().z, 91.5f);

    ship->setRotation(0, 90, 359);
    ship->setVelocity(-0.005f, 0, 0);
    ship->update(5.0f);
    EXPECT_NEAR(ship->getRotation().z, 1.5f, 1e-3);
    ship->setRotation(0, 90, -359);
    ship->setVelocity(0.005f, 0, 0);
    ship->update(5.0f);
    EXPECT_NEAR(ship->getRotation().z, -1.5f, 1e-3);
}

TEST_F(SpaceshipTest, StaysBetweenHalfAndThreeUnitsAheadOfTheEye) {
    ship->setPosition(0, 0.2f, eyeZ);
    ship->setVelocity(0, 0, 0.01f);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().z, eyeZ - 0.5f);
    EXPECT_FLOAT_EQ(ship->getVelocity().z, 0.0f);

    ship->setPosition(0, 0.2f, eyeZ - 4.0f);
    ship->setVelocity(0, 0, -0.01f);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().z, eyeZ - 3.0f);
    EXPECT_FLOAT_EQ(ship->getVelocity().z, 0.0f);

    ship->setPosition(0, 0.2f, eyeZ - 2.0f);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().z, eyeZ - 2.0f);
}

TEST_F(SpaceshipTest, MarkerPlacementLandingAndSpring) {
    ship->setPosition(0, -90.0f, eyeZ - 1.75f);
    ship->followGround(2.0f);
    EXPECT_NEAR(ship->getPosition().y, 2.2f, 1e-5);

    // Landing from a fall just below the riding height.
    ship->setMotionState(Airborne);
    ship->setPosition(0, 2.1f, eyeZ - 1.75f);
    ship->setVelocity(0, -0.001f, 0);
    ship->followGround(2.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().y, 2.2f);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.0f);

    // Resting 0.1 below the riding height: the spring pushes with 2 * 5 * 0.1 / 500.
    ship->setMotionState(Airborne);
    ship->setPosition(0, 0.1f, eyeZ - 1.75f);
    ship->setVelocity(0, 0, 0);
    ship->followGround(0.0f);
    EXPECT_EQ(ship->getMotionState(), OnGround);
    EXPECT_NEAR(ship->getVelocity().y, 0.002f, 1e-7);

    // Well above the ground and not jumping: airborne, no push.
    ship->setPosition(0, 1.0f, eyeZ - 1.75f);
    ship->setVelocity(0, 0, 0);
    ship->followGround(0.0f);
    EXPECT_EQ(ship->getMotionState(), Airborne);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.0f);
}

TEST_F(SpaceshipTest, JumpStaysJumpingUntilItComesBackAndLandsAtRidingHeight) {
    const float h = 0.5f;
    const float ride = h + 0.2f;
    ship->setPosition(0, ride, eyeZ - 1.75f);
    ship->addVelocity(0, game().getConfig().steerRate * 1.75f, 0);  // what the up arrow does
    ship->setMotionState(Jumping);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.00525f);
    ship->followGround(h);
    EXPECT_EQ(ship->getMotionState(), Jumping) << "lift 0.525 keeps it above its riding height";

    float top = 0;
    int backAt = -1, snappedAt = -1;
    for (int step = 1; step <= 600; ++step) {
        ship->update(5.0f);
        ship->followGround(h);
        const float y = ship->getPosition().y;
        top = std::max(top, y);
        if (backAt < 0 && ship->getMotionState() != Jumping) backAt = step;
        if (backAt < 0) {
            ASSERT_GT(y + 1e-4f, ride - 0.03f) << "still jumping at step " << step;
        }
        if (backAt >= 0 && snappedAt < 0 && y == ride && ship->getVelocity().y == 0.0f) snappedAt = step;
        if (backAt >= 0) {
            ASSERT_GE(y, h + 0.15f - 0.03f) << "sank through the ground at step " << step;
        }
    }
    // v^2 / 2g = 0.00525^2 / 2e-5 = 1.378 above the start, less the Euler error of one step.
    EXPECT_NEAR(top - ride, 1.378f, 0.02f);
    EXPECT_NEAR(backAt, 2 * 105, 3);
    ASSERT_GT(snappedAt, 0) << "the landing rule never set the ship at its riding height";
    EXPECT_LE(snappedAt - backAt, 3);
    EXPECT_NE(ship->getMotionState(), Jumping);
    EXPECT_NEAR(ship->getPosition().y, ride, 0.01f);
}

TEST_F(SpaceshipTest, GravityAndPitchFollowVerticalMotion) {
    ship->setMotionState(Airborne);
    ship->setPosition(0, 2.0f, eyeZ - 1.75f);
    ship->setVelocity(0, 0.001f, 0);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.00095f);
    EXPECT_NEAR(ship->getRotation().x, 0.00095f * 5 * 1000, 1e-3);

    ship->setMotionState(OnGround);
    ship->setVelocity(0, 0.001f, 0);
    ship->update(5.0f);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.001f) << "no gravity on the ground";
}
