#include "ObjectTestSupport.h"

#include <cmath>
#include <memory>
#include <vector>

#include "objects/Asteroid.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"

class AsteroidTest : public objtest::GameFixture {};

TEST_F(AsteroidTest, SizeAndSpinFollowTheDrawsAndStayWithinTheirLimits) {
    std::srand(4242);
    int belowLimit = 0;
    for (int i = 0; i < 1500; ++i) {
        // Replay the constructor's four draws to know what it must get.
        const unsigned seed = 1000 + i;
        std::srand(seed);
        const int r0 = gameRandom() % 1000, r1 = gameRandom() % 1000, r2 = gameRandom() % 1000, r3 = gameRandom() % 1000;
        std::srand(seed);
        Asteroid big(1.5f);
        EXPECT_FLOAT_EQ(big.getScale().x, 0.1f + r0 / 1000.0f * 0.5f);
        EXPECT_FLOAT_EQ(big.getAngularVelocity().x, r1 / 1000.0f * 0.2f);
        EXPECT_FLOAT_EQ(big.getAngularVelocity().y, r2 / 1000.0f * 0.2f);
        EXPECT_FLOAT_EQ(big.getAngularVelocity().z, r3 / 1000.0f * 0.2f);
        ASSERT_GE(big.getScale().x, 0.1f);
        ASSERT_LT(big.getScale().x, 0.6f);
        EXPECT_FLOAT_EQ(big.getRadius(), 0.95f * big.getScale().x);
        EXPECT_TRUE(big.isAsteroid());

        Asteroid small(0.06f);
        ASSERT_LE(small.getScale().x, 0.06f);
        ASSERT_GE(small.getScale().x, 0.006f);
        if (small.getScale().x < 0.06f) ++belowLimit;
    }
    // About one in nine draws (0.006 + draw * 0.5 < 0.06) stays below the swarm limit.
    EXPECT_GT(belowLimit, 100);
    EXPECT_LT(belowLimit, 260);
}

TEST_F(AsteroidTest, AimsOnlyFromTheSecondThresholdOnAndOnlyWhenFarAndApproaching) {
    Spaceship* ship = makeShip();
    const int threshold = game().getConfig().secondScoreThreshold;
    auto run = [&](int score, float dx, float distanceZ, float vz, int* aimed, bool checkFormula) {
        game().score = score;
        std::srand(99);
        for (int n = 0; n < 200; ++n) {
            Asteroid a(1.5f);
            a.setPosition(ship->getPosition().x + dx, ship->getPosition().y, ship->getPosition().z - distanceZ);
            a.setVelocity(0.0001f, 0, vz);
            for (int s = 0; s < 20; ++s) {
                const float3 before = a.getPosition();
                const float3 vBefore = a.getVelocity();
                a.update(5.0f);
                const float3 v = a.getVelocity();
                if (v.x == vBefore.x && v.y == vBefore.y && v.z == vBefore.z) continue;
                ++*aimed;
                if (checkFormula) {
                    const float3 sp = ship->getPosition();
                    EXPECT_FLOAT_EQ(v.x, (sp.x - before.x) / 1750.0f);
                    EXPECT_FLOAT_EQ(v.y, (sp.y - before.y) / 1000.0f);
                    EXPECT_FLOAT_EQ(v.z, (sp.z - before.z) / 7500.0f);
                    EXPECT_FLOAT_EQ(a.getPosition().z, before.z + v.z * 5.0f);
                }
                a.setVelocity(vBefore.x, vBefore.y, vBefore.z);
            }
        }
    };
    int below = 0, at = 0, twice = 0, near = 0, away = 0;
    run(threshold - 1, 1.0f, 10.0f, 0.001f, &below, false);
    run(threshold, 1.0f, 10.0f, 0.001f, &at, true);
    run(2 * threshold, 1.0f, 10.0f, 0.001f, &twice, true);
    run(3 * threshold, 0.0f, 3.79f, 0.001f, &near, false);
    run(3 * threshold, 1.0f, 10.0f, -0.001f, &away, false);
    EXPECT_EQ(below, 0);
    EXPECT_GT(at, 0);
    EXPECT_LT(at, 40) << "0.3 % of 4000 steps";
    EXPECT_GT(twice, 4 * at) << "6 % plus 0.3 % from twice the threshold";
    EXPECT_EQ(near, 0);
    EXPECT_EQ(away, 0);
}

TEST_F(AsteroidTest, HitDropsAGroupEmptiesTheGunAndKnocksTheShipSideways) {
    Spaceship* ship = makeShip();
    objtest::NamedGroup first("Blue/Green Shader");
    objtest::NamedGroup second("Standard Shader");
    game().currentEffectGroup = &second;
    game().scoreMultiplier = 2;
    game().bulletCount = 3;
    ship->setPosition(0.5f, 0.2f, ship->getPosition().z);
    ship->setVelocity(0.001f, 0, 0);

    Asteroid* rock = new Asteroid(1.5f);
    world().addToActive(rock);
    rock->setPosition(0.7f, 0.2f, ship->getPosition().z - 0.1f);
    rock->setVelocity(0, 0, 0.001f);

    world().update(5.0f);
    EXPECT_EQ(game().getCurrentEffectGroup(), &first);
    EXPECT_EQ(game().scoreMultiplier, 1);
    EXPECT_EQ(game().bulletCount, 0);
    // -(asteroid x - ship x) * 0.003, after the ship's own update moved it by 0.005.
    const float dx = 0.7f - (0.5f + 0.001f * 5);
    EXPECT_NEAR(ship->getVelocity().x, 0.001f - dx * 0.003f, 1e-6);
    ASSERT_EQ(world().getActiveObjects().size(), 1u) << "the asteroid is removed in the same step";
    EXPECT_EQ(world().getActiveObjects()[0], ship);
}

TEST_F(AsteroidTest, PowerUpsRefillTheGunOrAdvanceTheGroupAndClearTheirHints) {
    Spaceship* ship = makeShip();
    objtest::NamedGroup first("Blue/Green Shader");
    objtest::NamedGroup last("Standard Shader");
    game().currentEffectGroup = &first;
    world().bulletHintPending = world().starHintPending = true;

    std::unique_ptr<BulletPowerUp> refill(new BulletPowerUp());
    EXPECT_FLOAT_EQ(refill->getRadius(), 0.16f);
    EXPECT_FLOAT_EQ(refill->getAngularVelocity().y, 0.25f);
    refill->onCollision(ship);
    EXPECT_EQ(game().bulletCount, 3);
    EXPECT_FALSE(world().bulletHintPending);
    EXPECT_TRUE(world().starHintPending);

    std::unique_ptr<PowerUp> star(new PowerUp());
    EXPECT_FLOAT_EQ(star->getAngularVelocity().z, 0.25f);
    star->onCollision(ship);
    EXPECT_EQ(game().getCurrentEffectGroup(), &last);
    EXPECT_EQ(game().scoreMultiplier, 2);
    EXPECT_TRUE(ship->finalGroupReached);
    EXPECT_FALSE(world().starHintPending);
}
