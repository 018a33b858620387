#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "objects/Spaceship.h"
#include "objects/World.h"
#include "platform/Random.h"
#include "support/GlHarness.h"

namespace {

// A resource-free object of chosen size that counts its deletion.
class Probe : public GameObject {
public:
    explicit Probe(float r, int* deletions = nullptr) : deletions(deletions) { scale = float3{r, r, r}; }
    ~Probe() override { if (deletions) ++*deletions; }
    void setLook(Texture* t, unsigned int list) { texture = t, displayList = list; }
    int* deletions;
};

class NamedGroup : public EffectGroup {
public:
    explicit NamedGroup(const char* groupName) { name = groupName; }
};

// The first seed for which pred() holds right after srand(seed).
unsigned findSeed(const std::function<bool()>& pred, unsigned from = 1) {
    for (unsigned seed = from; seed < from + 5000000; ++seed) {
        std::srand(seed);
        if (pred()) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 1;
}

// A clean Game and world, the chase camera's eye at z 0.5; models come from the game folder.
class Objects : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        GameConfig& config = Game::instance().getConfig();
        if (!config.logger) config.logger = new Logger();
        if (!config.textureLoader) config.textureLoader = new TextureLoader();
    }
    void SetUp() override { resetGame(); }
    void TearDown() override { resetGame(); }
    static Game& game() { return Game::instance(); }
    static World& world() { return Game::instance().getWorld(); }
    static void resetGame() {
        Game& g = game();
        world().clear();  // never deletes the ship
        delete g.ship;
        g.ship = nullptr;
        world().bulletHintPending = world().starHintPending = false;
        g.score = g.bulletCount = 0;
        g.scoreMultiplier = 1;
        g.currentEffectGroup = nullptr;
        g.getChaseCamera().set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    }
    template <class T>
    static T* place(T* obj, float3 at, float3 velocity = float3{0, 0, 0}) {
        obj->setPosition(at.x, at.y, at.z);
        obj->setVelocity(velocity.x, velocity.y, velocity.z);
        return obj;
    }
    template <class T>
    static T* add(T* obj, float3 at, float3 velocity = float3{0, 0, 0}) {
        return world().addToActive(place(obj, at, velocity)), obj;
    }
    // A fresh ship owned by the Game, first in the world's list, 1.75 ahead of the eye.
    static Spaceship* makeShip() { return game().ship = add(new Spaceship(), float3{0, 0.2f, 0.5f - 1.75f}); }
    // One ship update from a given x, roll and sideways speed; returns the new roll.
    static float rollAfter(float roll, float vx, float x = 0) {
        place(game().ship, float3{x, 0.2f, -0.5f}, float3{vx, 0, 0})->setRotation(0, 90, roll);
        game().ship->update(5.0f);
        return game().ship->getRotation().z;
    }
    // One world step from a spawn pressure that the step raises to `pressure` (0: no spawn).
    static void stepTo(int pressure, unsigned seed = 1) {
        world().setSpawnPressure(pressure - 5);
        std::srand(seed);
        world().update(5.0f);
    }
    template <class T>
    static bool onlyA() {
        return world().getActiveObjects().size() == 1 && dynamic_cast<T*>(world().getActiveObjects()[0]);
    }
    int deleted = 0;  // counted by probes, which may outlive a test body until TearDown
};

TEST_F(Objects, RemovalsBeyondTheBoundsScoreHappenOnceAndNeverDeleteTheShip) {
    game().getChaseCamera().setEye(0, 1.4f, -100.0f);
    game().scoreMultiplier = 3;
    for (float z : {-98.0f, -131.0f, -97.99f, -131.01f}) add(new Probe(0.1f, &deleted), float3{0, 0, z});
    for (GameObject* obj : world().getActiveObjects()) obj->checkBounds();
    EXPECT_EQ(game().getScore(), 2 * 15 * 3);
    world().flushRemovals();
    EXPECT_EQ(deleted, 2);
    ASSERT_EQ(world().getActiveObjects().size(), 2u);
    EXPECT_FLOAT_EQ(world().getActiveObjects()[1]->getPosition().z, -131.0f);
    // A bullet 0.01 short of the far edge flies past it in one step.
    add(new Bullet(), float3{2, 0, -130.99f}, float3{0, 0, -0.01f});
    stepTo(0);
    world().drawObjects();
    EXPECT_EQ(game().getScore(), 3 * 15 * 3);
    EXPECT_EQ(world().getActiveObjects().size(), 2u);
    // A removal requested twice deletes once; clear() deletes what it drops but never the ship.
    Spaceship* ship = makeShip();
    Probe* twice = new Probe(0.1f, &deleted);
    Probe* dropped = add(new Probe(0.1f, &deleted), float3{0, 0, -5});
    world().addObject(twice, true);
    world().requestRemoval(twice);
    world().requestRemoval(twice);
    world().requestRemoval(ship);
    world().flushRemovals();
    EXPECT_EQ(deleted, 3);
    ASSERT_EQ(world().getActiveObjects().size(), 4u);
    world().requestRemoval(dropped);
    world().clear();
    world().flushRemovals();
    EXPECT_EQ(deleted, 6);
    EXPECT_TRUE(world().getActiveObjects().empty());
    EXPECT_FLOAT_EQ(ship->getRadius(), 0.16f);  // still alive (ASan would see a use after free)
}

TEST_F(Objects, ShipWallsLevelOutBankCapRollWrapAndCameraDistance) {
    Spaceship* ship = makeShip();
    rollAfter(0, -0.001f, -3.6f);
    EXPECT_FLOAT_EQ(ship->getPosition().x, -3.5f);
    EXPECT_FLOAT_EQ(ship->getVelocity().x, 0.0f);
    EXPECT_NEAR(rollAfter(45, 0), 44.1f, 1e-4);
    EXPECT_NEAR(rollAfter(100, 0), 101.0f, 1e-4);
    EXPECT_FLOAT_EQ(rollAfter(89, -0.005f), 90.0f);
    ship->setMotionState(Jumping);
    EXPECT_FLOAT_EQ(rollAfter(89, -0.005f), 91.5f);
    EXPECT_NEAR(rollAfter(359, -0.005f), 1.5f, 1e-3);
    // The eye is at 0.5: the ship keeps between 0.5 and 3 units ahead of it.
    for (float z : {0.5f, -3.5f}) {
        place(ship, float3{0, 0.2f, z}, float3{0, 0, z > 0 ? 0.01f : -0.01f})->update(5.0f);
        EXPECT_FLOAT_EQ(ship->getPosition().z, z > 0 ? 0.0f : -2.5f);
        EXPECT_FLOAT_EQ(ship->getVelocity().z, 0.0f);
    }
}

TEST_F(Objects, FollowGroundMarkerPlacementLandingAndSpring) {
    Probe obj(0.3f);
    const float floor = 0.3f + 1.0f + 0.2f;  // radius, ground, clearance
    for (float vz : {0.002f, -0.01f, 0.0f}) {
        place(&obj, float3{0, 5, 0}, float3{0, 0, vz})->followGround(1.0f);
        EXPECT_FLOAT_EQ(obj.getPosition().y, vz > 0 ? floor : 5.0f) << vz;
        place(&obj, float3{0, 0.5f, 0}, float3{0, 0, vz})->followGround(1.0f);
        EXPECT_FLOAT_EQ(obj.getPosition().y, floor) << vz;
    }
    // The ship rides 0.2 over the ground marker, lands there, and a spring lifts it when below.
    Spaceship* ship = makeShip();
    place(ship, float3{0, -90.0f, -1.25f})->followGround(2.0f);
    EXPECT_NEAR(ship->getPosition().y, 2.2f, 1e-5);
    ship->setMotionState(Airborne);
    place(ship, float3{0, 2.1f, -1.25f}, float3{0, -0.001f, 0})->followGround(2.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().y, 2.2f);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.0f);
    ship->setMotionState(Airborne);
    place(ship, float3{0, 0.1f, -1.25f})->followGround(0.0f);
    EXPECT_EQ(ship->getMotionState(), OnGround);
    EXPECT_NEAR(ship->getVelocity().y, 0.002f, 1e-7);  // 2 * 5 * 0.1 / 500
}

TEST_F(Objects, ShipJumpStaysJumpingUntilItComesBackAndLandsAtRidingHeight) {
    Spaceship* ship = makeShip();
    const float h = 0.5f, ride = h + 0.2f;
    place(ship, float3{0, ride, -1.25f})->addVelocity(0, game().getConfig().steerRate * 1.75f, 0);  // the up arrow
    ship->setMotionState(Jumping);
    EXPECT_FLOAT_EQ(ship->getVelocity().y, 0.00525f);
    int backAt = -1;
    bool snapped = false;
    for (int step = 1; step <= 600; ++step) {
        ship->followGround(h);
        if (backAt < 0 && ship->getMotionState() != Jumping) backAt = step;
        snapped |= backAt > 0 && ship->getPosition().y == ride && ship->getVelocity().y == 0.0f;
        ship->update(5.0f);
    }
    EXPECT_NEAR(backAt, 2 * 105, 3);  // 105 steps up, losing 5e-5 a step, and as many down
    EXPECT_TRUE(snapped);
}

TEST_F(Objects, AsteroidSizesStayWithinTheirLimits) {
    std::srand(4242);
    std::vector<float> big, small;
    for (int i = 0; i < 1500; ++i) big.push_back(Asteroid(1.5f).getScale().x), small.push_back(Asteroid(0.06f).getScale().x);
    const auto [lo, hi] = std::minmax_element(big.begin(), big.end());
    EXPECT_GE(*lo, 0.1f);
    EXPECT_LT(*hi, 0.6f);
    EXPECT_GT(*hi - *lo, 0.45f);
    EXPECT_LE(*std::max_element(small.begin(), small.end()), 0.06f);
    const auto belowSwarmLimit = std::count_if(small.begin(), small.end(), [](float s) { return s < 0.06f; });
    EXPECT_GT(belowSwarmLimit, 100);  // about one in nine draws
    EXPECT_LT(belowSwarmLimit, 260);
}

TEST_F(Objects, AsteroidsAimOnlyFromTheSecondThresholdWhenFarAndApproachingAndAHitCostsAGroup) {
    const float3 s = makeShip()->getPosition();
    const int threshold = game().getConfig().secondScoreThreshold;
    auto aimed = [&](int score, float dx, float distance, float vz) {
        game().score = score;
        std::srand(99);
        Asteroid a(1.5f);
        int n = 0;
        for (int step = 0; step < 4000; ++step) {
            place(&a, float3{s.x + dx, s.y, s.z - distance}, float3{0.0001f, 0, vz})->update(5.0f);
            n += a.getVelocity().x != 0.0001f || a.getVelocity().z != vz;
        }
        return n;
    };
    EXPECT_EQ(aimed(threshold - 1, 1.0f, 10.0f, 0.001f), 0);
    const int at = aimed(threshold, 1.0f, 10.0f, 0.001f);
    EXPECT_GT(at, 0);
    EXPECT_LT(at, 40);  // 0.3 % of 4000 steps
    EXPECT_EQ(aimed(3 * threshold, 0.0f, 3.79f, 0.001f), 0);
    EXPECT_EQ(aimed(3 * threshold, 1.0f, 10.0f, -0.001f), 0);
    // A hit calls back one group, empties the gun and knocks the ship sideways.
    Spaceship* ship = game().ship;
    NamedGroup first("Blue/Green Shader"), second("Standard Shader");
    game().currentEffectGroup = &second;
    game().scoreMultiplier = 2;
    game().bulletCount = 3;
    place(ship, float3{0.5f, 0.2f, -1.25f}, float3{0.001f, 0, 0});
    add(new Asteroid(1.5f), float3{0.7f, 0.2f, -1.35f}, float3{0, 0, 0.001f});
    stepTo(0);
    EXPECT_EQ(game().getCurrentEffectGroup(), &first);
    EXPECT_EQ(game().scoreMultiplier, 1);
    EXPECT_EQ(game().bulletCount, 0);
    const float dx = 0.7f - (0.5f + 0.001f * 5);  // after the ship's own step
    EXPECT_NEAR(ship->getVelocity().x, 0.001f - dx * 0.003f, 1e-6);
    EXPECT_EQ(world().getActiveObjects().size(), 1u);
}

TEST_F(Objects, PowerUpGateOpensAboveTenThousandAndStarsNeedANextGroupAndMoreThan2500Ms) {
    // Spawn, power-up chosen, bullet power-up chosen.
    unsigned seed = findSeed([] { return gameRandom() < 100 && gameRandom() % 100 < 42 && gameRandom() % 100 < 40; });
    for (int pressure : {10000, 10001}) {
        resetGame();
        world().bulletHintPending = true;
        stepTo(pressure, seed);
        EXPECT_TRUE(pressure == 10000 ? onlyA<Asteroid>() : onlyA<BulletPowerUp>()) << pressure;
        EXPECT_EQ(world().getHintedObjects().size(), pressure == 10000 ? 0u : 1u);
    }
    resetGame();
    NamedGroup first("Blue/Green Shader"), last("Standard Shader");
    seed = findSeed([] { return gameRandom() < 200 && gameRandom() % 100 < 42 && gameRandom() % 100 >= 40; });
    game().currentEffectGroup = &first;
    world().setStarTimer(2495);
    stepTo(20000, seed);
    EXPECT_TRUE(world().getActiveObjects().empty()) << "2500 ms is not more than 2500";
    world().setStarTimer(2496);
    stepTo(20000, seed);
    EXPECT_TRUE(onlyA<PowerUp>());
    resetGame();
    game().currentEffectGroup = &last;
    world().setStarTimer(100000);
    stepTo(20000, seed);
    EXPECT_TRUE(world().getActiveObjects().empty()) << "no star in the last group, and no asteroid instead";
}

TEST_F(Objects, SingleAsteroidBelowFirstThresholdSwarmsOfSevenToFifteenFromIt) {
    const int threshold = game().getConfig().firstScoreThreshold;
    std::set<size_t> swarms;
    for (unsigned round = 0, seed = 0; round < 12; ++round) {
        // Spawn, and the one-in-ten swarm draw succeeds.
        seed = findSeed([] { return gameRandom() < 100 && gameRandom() % 100 < 10; }, seed + 1);
        game().score = threshold - 1;
        stepTo(10000, seed);
        EXPECT_TRUE(onlyA<Asteroid>() && world().getActiveObjects()[0]->getScale().x >= 0.1f);
        resetGame();
        game().score = threshold;
        stepTo(10000, seed);
        for (GameObject* obj : world().getActiveObjects()) EXPECT_TRUE(obj->isAsteroid() && obj->getScale().x <= 0.06f);
        swarms.insert(world().getActiveObjects().size());
        resetGame();
    }
    EXPECT_EQ(*swarms.begin(), 7u);
    EXPECT_LE(*swarms.rbegin(), 15u);
    EXPECT_GT(swarms.size(), 1u);
}

TEST_F(Objects, KnockAwayAndObjectsMovingTheSameWayPassThrough) {
    Probe* bullet = add(new Probe(0.05f), float3{0, 0, -10}, float3{0, 0, -0.01f});
    Probe* rock = add(new Probe(0.3f), float3{0.1f, 0, -10.2f}, float3{0.0004f, 0, 0.001f});
    stepTo(0);
    EXPECT_EQ(world().getActiveObjects().size(), 2u) << "nothing removed";
    EXPECT_FLOAT_EQ(rock->getVelocity().z, -0.01f);
    EXPECT_FLOAT_EQ(bullet->getVelocity().z, -0.01f);
    EXPECT_FLOAT_EQ(rock->getVelocity().x, -0.0004f);
    EXPECT_FLOAT_EQ(bullet->getVelocity().x, 0.0004f);
    for (float vz : {0.001f, -0.01f}) {
        world().clear();
        Probe* a = add(new Probe(0.3f), float3{0, 0, -10}, float3{0.0002f, 0, vz});
        add(new Probe(0.3f), float3{0.1f, 0, -10}, float3{-0.0002f, 0, vz});
        stepTo(0);
        EXPECT_FLOAT_EQ(a->getVelocity().x, 0.0002f) << vz;
        EXPECT_FLOAT_EQ(a->getVelocity().z, vz);
    }
}

TEST_F(Objects, PowerUpLastInTheListIsCollectedDeletedInTheSameStepAndLosesItsArrow) {
    Spaceship* ship = makeShip();
    BulletPowerUp* refill = new BulletPowerUp();
    world().bulletHintPending = true;
    world().addObject(refill, true);
    place(refill, float3{0, 0.2f, -1.35f}, float3{0, 0, 0.001f});
    stepTo(0);
    EXPECT_EQ(game().bulletCount, 3);
    EXPECT_FALSE(world().bulletHintPending);
    EXPECT_TRUE(world().getHintedObjects().empty());
    EXPECT_TRUE(world().getPendingRemovals().empty());
    ASSERT_EQ(world().getActiveObjects().size(), 1u);
    EXPECT_EQ(world().getActiveObjects()[0], ship);
}

TEST_F(Objects, ResetWithoutATerrainStillPrintsDeletedTerrain) {
    World fresh;
    harness::captureStdout();
    fresh.reset();
    const std::string out = harness::capturedStdout();
    EXPECT_LT(out.find("deleted terrain\n"), out.find("created new terrain\n")) << out;
}

// Drawing, read back from the window.
TEST_F(Objects, DrawingChangesPixelsWithoutErrorsAndANullTextureNeverBreaksALaterBind) {
    auto drawn = [](const std::function<void()>& draw) {
        glColor4f(1, 1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        harness::glErrors();
        draw();
        EXPECT_EQ(harness::glErrors(), "");
        const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
        int lit = 0;
        for (size_t i = 0; i < px.size(); i += 4) lit += (px[i] | px[i + 1] | px[i + 2]) != 0;
        return lit;
    };
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -1.5, 1.5, -10, 10);  // x -2..2 over 800 pixels
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    Texture* sea = game().getResourceCache().getTexture("sea.jpg", GL_TEXTURE_2D);
    ASSERT_NE(sea, nullptr);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glRectf(-1, -1, 1, 1);
    glEndList();
    for (int i = 0; i < 3; ++i) add(new Probe(0.3f), float3{i - 1.0f, 0, 0})->setLook(i == 1 ? nullptr : sea, list);
    EXPECT_GT(drawn([] { world().drawObjects(); }), 0);
    for (int i = 0; i < 3; ++i) {
        const auto px = harness::readPixel(200 * (i + 1), 300);  // textured, plain, textured
        EXPECT_EQ(px[0] == 255 && px[1] == 255 && px[2] == 255, i == 1) << i << ": white only without a texture";
    }
    resetGame();
    glDeleteLists(list, 1);

    harness::captureStdout();
    world().reset();
    harness::capturedStdout();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 800.0 / 600.0, 0.1, 30.0);
    glMatrixMode(GL_MODELVIEW);
    game().getChaseCamera().apply();
    makeShip();
    GameObject* kinds[] = {new Asteroid(1.5f), new Bullet(), new BulletPowerUp(), new PowerUp()};
    for (int i = 0; i < 4; ++i) add(kinds[i], float3{-1.2f + 0.8f * i, 0.6f, -3});
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    EXPECT_GT(drawn([] { world().drawObjects(), glDisable(GL_LIGHTING); }), 3000);
    EXPECT_GT(drawn([] { world().drawSky(0, 0, 1); }), harness::kWidth * harness::kHeight / 4);
    EXPECT_GT(drawn([] { world().drawSea(); }), harness::kWidth * harness::kHeight / 6);
    world().signPosition = float3{-1.0f, -1.0f, -8.0f};
    EXPECT_EQ(drawn([] { world().drawSign(false, false); }), 0) << "no sign before any warning";
    EXPECT_GT(drawn([] { world().drawSign(true, false); }), 1000);
}

}  // namespace
