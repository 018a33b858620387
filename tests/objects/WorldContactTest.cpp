#include "ObjectTestSupport.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "objects/BulletPowerUp.h"
#include "support/GlHarness.h"

using objtest::Probe;

class WorldContactTest : public objtest::GameFixture {
protected:
    void step() {
        world().setSpawnPressure(0);  // no spawn in these steps
        world().update(5.0f);
    }
};

TEST_F(WorldContactTest, BulletKnocksAnApproachingAsteroidAwayInEitherListOrder) {
    for (bool bulletFirst : {true, false}) {
        int deleted = 0;
        Probe* bullet = new Probe(0.05f, &deleted);
        Probe* rock = new Probe(0.3f, &deleted);
        bullet->setPosition(0, 0, -10);
        bullet->setVelocity(0, 0, -0.01f);
        rock->setPosition(0.1f, 0, -10.2f);
        rock->setVelocity(0.0004f, 0, 0.001f);
        world().addToActive(bulletFirst ? bullet : rock);
        world().addToActive(bulletFirst ? rock : bullet);
        step();
        ASSERT_EQ(world().getActiveObjects().size(), 2u) << "nothing is destroyed";
        EXPECT_EQ(deleted, 0);
        EXPECT_FLOAT_EQ(rock->getVelocity().z, -0.01f);
        EXPECT_FLOAT_EQ(bullet->getVelocity().z, -0.01f);
        EXPECT_FLOAT_EQ(rock->getVelocity().x, -0.0004f);
        EXPECT_FLOAT_EQ(bullet->getVelocity().x, 0.0004f);
        EXPECT_FLOAT_EQ(rock->getVelocity().y, 0.0f);
        // The target tumbles: -dv.x * 5 about y and -dv.z * 5 about z.
        EXPECT_FLOAT_EQ(rock->getAngularVelocity().y, 0.002f);
        EXPECT_FLOAT_EQ(rock->getAngularVelocity().z, 0.055f);
        EXPECT_FLOAT_EQ(bullet->getAngularVelocity().z, 0.0f);
        EXPECT_EQ(rock->collisions + bullet->collisions, 0);
        world().clear();
        EXPECT_EQ(deleted, 2);
    }
}

TEST_F(WorldContactTest, KnockAwayPushesOutByTheWholeOverlapOnly) {
    Probe p(1.0f), t(1.0f);
    p.setPosition(0, 0, 0);
    t.setPosition(0, 0, 0.5f);
    p.setVelocity(0, 0, -0.01f);
    t.setVelocity(0, 0, 0.001f);
    World::knockAway(&p, &t);  // overlap 2 - 0.5 = 1.5, truncated to 1
    EXPECT_FLOAT_EQ(t.getPosition().x, 1.0f);
    EXPECT_FLOAT_EQ(t.getPosition().y, 1.0f);
    EXPECT_FLOAT_EQ(t.getPosition().z, 1.5f);
    EXPECT_FLOAT_EQ(p.getPosition().z, 0.0f);

    Probe a(0.3f), b(0.3f);
    b.setPosition(0.2f, 0, 0);
    a.setVelocity(0, 0, -0.01f);
    World::knockAway(&a, &b);  // overlap 0.4 truncates to nothing
    EXPECT_FLOAT_EQ(b.getPosition().x, 0.2f);
    EXPECT_FLOAT_EQ(b.getPosition().y, 0.0f);
}

TEST_F(WorldContactTest, ObjectsMovingTheSameWayPassThroughEachOther) {
    for (float vz : {0.001f, -0.01f}) {
        Probe* a = new Probe(0.3f);
        Probe* b = new Probe(0.3f);
        a->setPosition(0, 0, -10);
        b->setPosition(0.1f, 0, -10);
        a->setVelocity(0.0002f, 0, vz);
        b->setVelocity(-0.0002f, 0, vz);
        world().addToActive(a);
        world().addToActive(b);
        step();
        ASSERT_EQ(world().getActiveObjects().size(), 2u);
        EXPECT_FLOAT_EQ(a->getVelocity().x, 0.0002f);
        EXPECT_FLOAT_EQ(b->getVelocity().x, -0.0002f);
        EXPECT_FLOAT_EQ(a->getVelocity().z, vz);
        EXPECT_FLOAT_EQ(b->getAngularVelocity().z, 0.0f);
        EXPECT_EQ(a->collisions + b->collisions, 0);
        world().clear();
    }
}

TEST_F(WorldContactTest, ShipTouchRunsTheCollisionAndRemovesTheObjectEvenLastOrFirstInTheList) {
    Spaceship* ship = makeShip();
    const float3 s = ship->getPosition();
    int deleted = 0, collided = 0;
    Probe* farA = new Probe(0.1f, &deleted, &collided);
    Probe* farB = new Probe(0.1f, &deleted, &collided);
    Probe* last = new Probe(0.1f, &deleted, &collided);
    farA->setPosition(3, 0, s.z - 5);
    farB->setPosition(-3, 0, s.z - 5);
    last->setPosition(s.x + 0.1f, s.y, s.z);
    world().addToActive(farA);
    world().addToActive(farB);
    world().addToActive(last);
    step();
    EXPECT_EQ(collided, 1);
    EXPECT_EQ(deleted, 1);
    ASSERT_EQ(world().getActiveObjects().size(), 3u);
    EXPECT_EQ(world().getActiveObjects()[0], ship);

    // The ship second in the list: the earlier object is the one removed.
    world().clear();
    Probe* first = new Probe(0.1f, &deleted, &collided);
    first->setPosition(s.x, s.y + 0.2f, s.z);
    world().addToActive(first);
    world().addToActive(ship);
    step();
    EXPECT_EQ(collided, 2);
    EXPECT_EQ(deleted, 4);  // farA and farB by clear, then `first`
    ASSERT_EQ(world().getActiveObjects().size(), 1u);
    EXPECT_EQ(world().getActiveObjects()[0], ship);
}

TEST_F(WorldContactTest, CollectedPowerUpIsDeletedInTheSameStepAndLosesItsArrow) {
    Spaceship* ship = makeShip();
    world().bulletHintPending = true;
    BulletPowerUp* refill = new BulletPowerUp();
    world().addObject(refill, world().bulletHintPending);
    ASSERT_EQ(world().getHintedObjects().size(), 1u);
    const float3 s = ship->getPosition();
    refill->setPosition(s.x, s.y, s.z - 0.1f);
    refill->setVelocity(0, 0, 0.001f);
    game().bulletCount = 0;
    step();
    EXPECT_EQ(game().bulletCount, 3);
    EXPECT_FALSE(world().bulletHintPending);
    EXPECT_TRUE(world().getHintedObjects().empty());
    EXPECT_TRUE(world().getPendingRemovals().empty());
    ASSERT_EQ(world().getActiveObjects().size(), 1u);
    EXPECT_EQ(world().getActiveObjects()[0], ship);
}

TEST_F(WorldContactTest, RemovalsAreDeferredDeduplicatedAndNeverTouchTheShip) {
    Spaceship* ship = makeShip();
    int deleted = 0;
    Probe* twice = new Probe(0.1f, &deleted);
    Probe* pendingAtClear = new Probe(0.1f, &deleted);
    world().addObject(twice, true);
    world().addToActive(pendingAtClear);
    world().requestRemoval(twice);
    world().requestRemoval(twice);
    world().requestRemoval(ship);
    EXPECT_EQ(world().getPendingRemovals().size(), 2u);
    EXPECT_EQ(deleted, 0);
    world().flushRemovals();
    EXPECT_EQ(deleted, 1);
    EXPECT_TRUE(world().getHintedObjects().empty());
    EXPECT_TRUE(world().getPendingRemovals().empty());
    ASSERT_EQ(world().getActiveObjects().size(), 2u);

    // clear() deletes what it drops, a pending removal included, once, and keeps the ship.
    world().requestRemoval(pendingAtClear);
    world().clear();
    EXPECT_EQ(deleted, 2);
    world().flushRemovals();
    EXPECT_EQ(deleted, 2);
    EXPECT_TRUE(world().getActiveObjects().empty());
    EXPECT_FLOAT_EQ(ship->getRadius(), 0.16f);
}

TEST_F(WorldContactTest, UpdateHeightsPutsObjectsOnTheGroundAndStandsTheSignOnTheTerrain) {
    harness::captureStdout();
    world().reset();
    harness::capturedStdout();
    if (!game().positionFBO) game().createHeightQueryTargets();
    game().renderTerrainPositions();

    Probe* low = new Probe(0.2f);
    Probe* high = new Probe(0.2f);
    low->setPosition(1.0f, -50.0f, -5.0f);
    high->setPosition(-1.0f, 50.0f, -6.0f);
    world().addToActive(low);
    world().addToActive(high);
    world().signPosition = float3{-6.0f, 0.0f, -10.0f};

    // Ask the height query directly for the same three points.
    std::vector<float> request{1.0f, -5.0f, -1.0f, -6.0f, -6.0f, -10.0f};
    float heights[512] = {};
    game().computeTerrainHeightAt(request, heights);
    const float eyeY = game().getTopDownCamera().getEye().y;
    const float ground = std::max(heights[0] + eyeY, world().getSeaLevel());
    const float signY = heights[2] + 5.0f;
    // Heights come back measured from the eye at 5: hills of at most 3 lie well below it, and
    // an empty position pass would give 0.
    EXPECT_LT(heights[0], -1.0f);
    EXPECT_GT(heights[0], -9.0f);
    EXPECT_LT(heights[2], -1.0f);

    world().updateHeights();
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_NEAR(low->getPosition().y, ground + 0.2f + 0.2f, 1e-4) << "lifted onto the ground";
    EXPECT_FLOAT_EQ(high->getPosition().y, 50.0f) << "above the floor and not approaching: stays";
    EXPECT_NEAR(world().signPosition.y, signY, 1e-4);
    EXPECT_FLOAT_EQ(world().signPosition.x, -6.0f);
}

TEST_F(WorldContactTest, DestroyedWorldDeletesItsObjectsButNotTheShip) {
    Spaceship* ship = makeShip();
    int deleted = 0;
    {
        World local;
        local.addToActive(ship);
        local.addObject(new Probe(0.1f, &deleted), true);
        Probe* pending = new Probe(0.1f, &deleted);
        local.addToActive(pending);
        local.requestRemoval(pending);
    }
    EXPECT_EQ(deleted, 2);
    EXPECT_FLOAT_EQ(ship->getRadius(), 0.16f);
    EXPECT_EQ(world().getActiveObjects().size(), 1u);
}
