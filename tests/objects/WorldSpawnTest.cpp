#include "ObjectTestSupport.h"

#include <algorithm>
#include <sstream>

#include "objects/Asteroid.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "support/GlHarness.h"
#include "terrain/Terrain.h"

using objtest::findSeed;

class WorldSpawnTest : public objtest::GameFixture {
protected:
    // One world step from a spawn pressure that the step raises to `pressure`.
    void stepTo(int pressure, unsigned seed) {
        world().setSpawnPressure(pressure - 5);
        std::srand(seed);
        world().update(5.0f);
        ASSERT_EQ(world().getSpawnPressure(), pressure);
    }
    template <class T>
    int count() {
        int n = 0;
        for (GameObject* obj : world().getActiveObjects()) n += dynamic_cast<T*>(obj) != nullptr;
        return n;
    }
};

TEST_F(WorldSpawnTest, PowerUpGateOpensAboveTenThousandAndPlacementFollowsTheDraws) {
    // Spawn, power-up chosen, bullet power-up chosen.
    const unsigned seed = findSeed([] { return gameRandom() < 100 && gameRandom() % 100 < 42 && gameRandom() % 100 < 40; });
    world().bulletHintPending = true;
    stepTo(10000, seed);
    ASSERT_EQ(world().getActiveObjects().size(), 1u);
    Asteroid* rock = dynamic_cast<Asteroid*>(world().getActiveObjects()[0]);
    ASSERT_NE(rock, nullptr) << "a closed gate always yields an asteroid";

    // Replay: spawn draw, four asteroid draws, three placement draws.
    std::srand(seed);
    gameRandom();
    const float size = 0.1f + (gameRandom() % 1000) / 1000.0f * 0.5f;
    gameRandom(), gameRandom(), gameRandom();
    const float x = (gameRandom() % 100) / 100.0f * 15.0f - 7.5f;
    const float vz = (gameRandom() % 1000) / 1000.0f * 0.002f;
    const float vx = -x / ((gameRandom() % 1000) + 6000);
    const float eyeZ = game().getChaseCamera().getEye().z;
    EXPECT_FLOAT_EQ(rock->getScale().x, size);
    // The step's own motion (5 ms) has already moved it.
    EXPECT_FLOAT_EQ(rock->getVelocity().x, vx);
    EXPECT_FLOAT_EQ(rock->getVelocity().z, vz);
    EXPECT_FLOAT_EQ(rock->getPosition().x, x);
    EXPECT_FLOAT_EQ(rock->getPosition().z, eyeZ - 30.0f);
    EXPECT_FLOAT_EQ(rock->getRotation().y, -90.0f);
    EXPECT_TRUE(world().getHintedObjects().empty());
    objtest::resetGame();

    world().bulletHintPending = true;
    stepTo(10001, seed);
    ASSERT_EQ(world().getActiveObjects().size(), 1u);
    EXPECT_EQ(count<BulletPowerUp>(), 1);
    ASSERT_EQ(world().getHintedObjects().size(), 1u);
    EXPECT_EQ(world().getHintedObjects()[0], world().getActiveObjects()[0]);
}

TEST_F(WorldSpawnTest, SingleAsteroidBelowFirstThresholdSwarmsOfSevenToFifteenFromIt) {
    const int threshold = game().getConfig().firstScoreThreshold;
    std::vector<int> swarmSizes;
    unsigned seed = 0;
    for (int round = 0; round < 12; ++round) {
        // Spawn, and the one-in-ten swarm draw succeeds.
        seed = findSeed([] { return gameRandom() < 100 && gameRandom() % 100 < 10; }, seed + 1);
        game().score = threshold - 1;
        stepTo(10000, seed);
        ASSERT_EQ(world().getActiveObjects().size(), 1u);
        EXPECT_GE(world().getActiveObjects()[0]->getScale().x, 0.1f) << "an ordinary asteroid";
        objtest::resetGame();

        game().score = threshold;
        stepTo(10000, seed);
        std::srand(seed);
        gameRandom(), gameRandom();
        const int expected = std::max(7, gameRandom() % 16);
        EXPECT_EQ(count<Asteroid>(), expected);
        EXPECT_EQ(static_cast<int>(world().getActiveObjects().size()), expected);
        for (GameObject* obj : world().getActiveObjects()) EXPECT_LE(obj->getScale().x, 0.06f);
        swarmSizes.push_back(expected);
        objtest::resetGame();
    }
    EXPECT_EQ(*std::min_element(swarmSizes.begin(), swarmSizes.end()), 7);
    EXPECT_LE(*std::max_element(swarmSizes.begin(), swarmSizes.end()), 15);
}

TEST_F(WorldSpawnTest, StarNeedsANextGroupAndMoreThan2500MsAndABlockedStarSpawnsNothing) {
    objtest::NamedGroup first("Blue/Green Shader");
    objtest::NamedGroup last("Standard Shader");
    const unsigned seed =
        findSeed([] { return gameRandom() < 200 && gameRandom() % 100 < 42 && gameRandom() % 100 >= 40; });
    world().starHintPending = true;

    game().currentEffectGroup = &first;
    world().setStarTimer(2495);
    stepTo(20000, seed);
    EXPECT_TRUE(world().getActiveObjects().empty()) << "2500 ms is not more than 2500";
    EXPECT_EQ(world().getStarTimer(), 2500);

    world().setStarTimer(2496);
    stepTo(20000, seed);
    ASSERT_EQ(count<PowerUp>(), 1);
    EXPECT_EQ(world().getStarTimer(), 0);
    ASSERT_EQ(world().getHintedObjects().size(), 1u);
    objtest::resetGame();

    game().currentEffectGroup = &last;
    world().setStarTimer(100000);
    stepTo(20000, seed);
    EXPECT_TRUE(world().getActiveObjects().empty()) << "no star in the last group, and no asteroid instead";
    EXPECT_EQ(world().getStarTimer(), 100005);
}

TEST_F(WorldSpawnTest, FinalGroupLowersThePowerUpChance) {
    Spaceship* ship = makeShip();
    // A power-up draw between 22 and 41: chosen before the final group, not after.
    const unsigned seed = findSeed([] {
        if (gameRandom() >= 200) return false;
        const int r = gameRandom() % 100;
        return r >= 22 && r < 42 && gameRandom() % 100 < 40;
    });
    stepTo(20000, seed);
    EXPECT_EQ(count<BulletPowerUp>(), 1);
    EXPECT_EQ(count<Asteroid>(), 0);
    world().clear();
    world().addToActive(ship);

    ship->finalGroupReached = true;
    stepTo(20000, seed);
    EXPECT_EQ(count<BulletPowerUp>(), 0);
    EXPECT_EQ(count<Asteroid>(), 1);
}

TEST(WorldReset, WritesItsLinesAndStartsTheHintsAndTimers) {
    objtest::ensureObjectResources();
    World w;
    w.setStarTimer(777);
    harness::captureStdout();
    w.reset();
    const std::string out = harness::capturedStdout();
    const size_t deleted = out.find("deleted terrain\n");
    const size_t created = out.find("created new terrain\n");
    const size_t loaded = out.find("textures loaded\n");
    ASSERT_NE(deleted, std::string::npos) << out;
    ASSERT_NE(created, std::string::npos) << out;
    ASSERT_NE(loaded, std::string::npos) << out;
    EXPECT_LT(deleted, created);
    EXPECT_LT(created, loaded);
    EXPECT_TRUE(w.starHintPending);
    EXPECT_TRUE(w.bulletHintPending);
    EXPECT_EQ(w.getStarTimer(), 0);
    EXPECT_EQ(w.getSpawnPressure(), Game::instance().getConfig().spawnPressureStart);
    ASSERT_NE(w.getTerrain(), nullptr);
    EXPECT_FLOAT_EQ(w.getTerrain()->getPosition().x, -25.0f);
    EXPECT_FLOAT_EQ(w.getTerrain()->getPosition().z, 0.0f);

    harness::captureStdout();
    w.reset();
    EXPECT_NE(harness::capturedStdout().find("deleted terrain\n"), std::string::npos);
}
