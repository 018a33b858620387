#include "ObjectTestSupport.h"
#include "objects/Bullet.h"

using objtest::Probe;

class GameObjectTest : public objtest::GameFixture {};

TEST_F(GameObjectTest, LeavesTheFieldOnlyStrictlyBeyondItsBoundsAndScoresEachExit) {
    game().getChaseCamera().setEye(0, 1.4f, -100.0f);
    game().scoreMultiplier = 3;
    int deleted = 0;
    Probe* behindEdge = new Probe(0.1f, &deleted);
    Probe* aheadEdge = new Probe(0.1f, &deleted);
    Probe* behind = new Probe(0.1f, &deleted);
    Probe* ahead = new Probe(0.1f, &deleted);
    behindEdge->setPosition(0, 0, -98.0f);
    aheadEdge->setPosition(0, 0, -131.0f);
    behind->setPosition(0, 0, -97.99f);
    ahead->setPosition(0, 0, -131.01f);
    for (Probe* p : {behindEdge, aheadEdge, behind, ahead}) world().addToActive(p);

    for (GameObject* obj : world().getActiveObjects()) obj->checkBounds();
    EXPECT_EQ(world().getPendingRemovals().size(), 2u);
    EXPECT_EQ(game().getScore(), 2 * 15 * 3);
    EXPECT_EQ(deleted, 0) << "a removal request must not delete at once";
    world().flushRemovals();
    EXPECT_EQ(deleted, 2);
    ASSERT_EQ(world().getActiveObjects().size(), 2u);
    EXPECT_EQ(world().getActiveObjects()[0], behindEdge);
    EXPECT_EQ(world().getActiveObjects()[1], aheadEdge);
}

TEST_F(GameObjectTest, BulletFlyingOffAheadIsRemovedAndScores) {
    Bullet* bullet = new Bullet();
    EXPECT_FLOAT_EQ(bullet->getRadius(), 0.05f);
    const float eyeZ = game().getChaseCamera().getEye().z;
    bullet->setPosition(0, 0.2f, eyeZ - 2.0f);
    bullet->setVelocity(0, 0, -0.01f);
    world().addToActive(bullet);
    int steps = 0;
    while (!world().getActiveObjects().empty() && steps < 1000) {
        world().setSpawnPressure(0);  // nothing spawns
        world().update(5.0f);
        world().drawObjects();
        ++steps;
    }
    EXPECT_TRUE(world().getActiveObjects().empty());
    // 29 units at 0.05 per step, then one more step to be strictly beyond.
    EXPECT_NEAR(steps, 581, 1);
    EXPECT_EQ(game().getScore(), 15);
}

TEST_F(GameObjectTest, FollowGroundRidesWhenApproachingAndOnlyLiftsOtherwise) {
    Probe obj(0.3f);
    const float floor = 0.3f + 1.0f + 0.2f;

    obj.setVelocity(0.001f, 0, 0.002f);  // towards the camera: always on the surface
    obj.setPosition(2, 5, -7);
    obj.followGround(1.0f);
    EXPECT_FLOAT_EQ(obj.getPosition().y, floor);
    EXPECT_FLOAT_EQ(obj.getPosition().x, 2);
    EXPECT_FLOAT_EQ(obj.getPosition().z, -7);
    EXPECT_FLOAT_EQ(obj.getVelocity().x, 0.001f);

    for (float vz : {-0.01f, 0.0f}) {
        obj.setVelocity(0, 0, vz);
        obj.setPosition(0, 5, 0);
        obj.followGround(1.0f);
        EXPECT_FLOAT_EQ(obj.getPosition().y, 5) << "vz " << vz;
        obj.setPosition(0, 0.5f, 0);
        obj.followGround(1.0f);
        EXPECT_FLOAT_EQ(obj.getPosition().y, floor) << "vz " << vz;
        EXPECT_FLOAT_EQ(obj.getVelocity().z, vz);
    }
}

TEST_F(GameObjectTest, UpdateIsEulerStepOfPositionAndRotationWithoutWrapping) {
    Probe obj;
    obj.setPosition(1, 2, 3);
    obj.setRotation(350, 0, -350);
    obj.setVelocity(0.1f, -0.2f, 0.3f);
    obj.addAngularVelocity(2, 0, -2);
    obj.update(5.0f);
    EXPECT_FLOAT_EQ(obj.getPosition().x, 1.5f);
    EXPECT_FLOAT_EQ(obj.getPosition().y, 1.0f);
    EXPECT_FLOAT_EQ(obj.getPosition().z, 4.5f);
    EXPECT_FLOAT_EQ(obj.getRotation().x, 360.0f);
    EXPECT_FLOAT_EQ(obj.getRotation().z, -360.0f);
    obj.update(5.0f);
    EXPECT_FLOAT_EQ(obj.getRotation().x, 370.0f);
    EXPECT_FLOAT_EQ(obj.getRotation().z, -370.0f);
    obj.movePosition(-1, 0, 0);
    obj.addVelocity(0, 0.2f, 0);
    EXPECT_FLOAT_EQ(obj.getPosition().x, 1.0f);
    EXPECT_FLOAT_EQ(obj.getVelocity().y, 0.0f);
    EXPECT_FALSE(obj.isAsteroid());
    EXPECT_FLOAT_EQ(obj.getRadius(), 0.1f);
}
