// The world's rules inside a flight's state: no Game, no GL context. What the step makes of
// them (styles, hits, the end of a flight) is in StepRulesTest.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

#include "core/GameState.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"

namespace {

// An object of chosen size that counts its deletion.
struct Probe : GameObject {
    explicit Probe(float r, int* deletions = nullptr) : GameObject(ObjectKind::Bullet), deletions(deletions) { scale = float3{r, r, r}; }
    ~Probe() override { if (deletions) ++*deletions; }
    int* deletions;
};

bool same(const float3& a, const float3& b) { return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < 1e-6f; }

// The first seed from which a source's first draws satisfy pred.
unsigned findSeed(const std::function<bool(Random&)>& pred, unsigned from = 1) {
    for (unsigned seed = from; seed < from + 5000000; ++seed) {
        Random r(seed);
        if (pred(r)) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 1;
}

// A flight whose field the test fills (the ship too: the eye is at 0.5, the ship starts 1.75
// ahead of it), nothing spawned unless a step raises the pressure.
struct WorldRules : ::testing::Test {
    GameState s;
    World& world = s.world;
    Spaceship* ship = nullptr;
    int deleted = 0;

    void SetUp() override {
        s.start(1, FlightRules{});
        ship = s.ship.get();
        world.clear();  // the ship stays, and is taken out of the field until a test puts it in
    }
    void setEyeZ(float z) { s.chaseCamera.set(0, 1.4f, z, 0, 0.5f, z - 2, 0, 0, -1); }
    // Places an object; add() also puts it in the field.
    template <class T>
    static T* put(T* obj, float3 at, float3 velocity = float3{0, 0, 0}) {
        obj->setPosition(at.x, at.y, at.z);
        obj->setVelocity(velocity.x, velocity.y, velocity.z);
        return obj;
    }
    template <class T>
    T* add(T* obj, float3 at, float3 velocity = float3{0, 0, 0}) {
        world.addToActive(put(obj, at, velocity));
        return obj;
    }
    // One world step from a spawn pressure that the step raises to `pressure` (0: no spawn).
    void stepTo(int pressure, unsigned seed = 1) {
        world.setSpawnPressure(pressure - 5);
        s.random.seed(seed);
        s.events = StepEvents{};
        world.update(5.0f);
    }
    template <class T>
    bool onlyA() {
        return world.getActiveObjects().size() == 1 && dynamic_cast<T*>(world.getActiveObjects()[0]);
    }
};

TEST_F(WorldRules, ObjectsLeavingTheFieldScoreInTheStepOnceAndTheShipIsNeverRemoved) {
    setEyeZ(-100.0f);
    s.scoreMultiplier = 3;
    for (float z : {-98.1f, -130.9f, -97.99f, -131.01f}) add(new Probe(0.1f, &deleted), float3{0, 0, z});
    stepTo(0);
    EXPECT_TRUE(s.score == 2 * 15 * 3 && s.events.scorePaid == 2 * 15 * 3) << s.score;
    ASSERT_TRUE(deleted == 2 && world.getActiveObjects().size() == 2u);
    // A bullet 0.01 short of the far edge flies past it in one step: scored in that step.
    add(new Bullet(), float3{2, 0, -130.99f}, float3{0, 0, -0.01f});
    stepTo(0);
    EXPECT_TRUE(s.score == 3 * 15 * 3 && world.getActiveObjects().size() == 2u) << s.score;
    // A removal requested twice deletes once; clear() deletes what it drops but never the ship.
    world.clear();
    deleted = 0;
    setEyeZ(0.5f);
    add(ship, float3{0, 0.2f, -1.25f});
    Probe* twice = new Probe(0.1f, &deleted);
    Probe* dropped = add(new Probe(0.1f, &deleted), float3{0, 0, -5});
    world.addObject(twice, true);
    for (GameObject* obj : std::vector<GameObject*>{twice, twice, ship}) world.requestRemoval(obj);
    world.flushRemovals();
    ASSERT_TRUE(deleted == 1 && world.getActiveObjects().size() == 2u) << deleted;
    world.requestRemoval(dropped);
    world.clear();
    world.flushRemovals();
    EXPECT_TRUE(deleted == 2 && world.getActiveObjects().empty()) << deleted;
    EXPECT_FLOAT_EQ(ship->getRadius(), 0.16f);  // still alive (ASan would see a use after free)
}

// The ship banks into its sideways motion and levels out without it; past the vertical it rolls
// over, which only a jump lets the steering do; the roll stays within a turn. A wall stops it.
TEST_F(WorldRules, ShipWallsLevelOutBankCapRollWrapAndCameraDistance) {
    add(ship, float3{0, 0.2f, -1.25f});
    const struct { float roll, vx; int state; float x, after; } rolls[] = {
        {45, 0, OnGround, 0, 44.1f}, {100, 0, OnGround, 0, 101}, {89, -0.005f, OnGround, 0, 90},
        {89, -0.005f, Jumping, 0, 91.5f}, {359, -0.005f, Jumping, 0, 1.5f}, {0, -0.001f, OnGround, -3.6f, 0.5f}};
    for (const auto& r : rolls) {  // one update from a roll, a sideways speed and an x
        ship->setMotionState(r.state);
        put(ship, float3{r.x, 0.2f, -0.5f}, float3{r.vx, 0, 0});
        ship->setRotation(0, 90, r.roll);
        ship->update(5.0f);
        EXPECT_NEAR(ship->getRotation().z, r.after, 1e-3) << r.roll;
    }
    EXPECT_TRUE(ship->getPosition().x == -3.5f && ship->getVelocity().x == 0) << "the wall";
    // The eye is at 0.5: the ship keeps between 0.5 and 3 units ahead of it.
    for (float z : {0.5f, -3.5f}) {
        put(ship, float3{0, 0.2f, z}, float3{0, 0, z > 0 ? 0.01f : -0.01f})->update(5.0f);
        EXPECT_TRUE(ship->getPosition().z == (z > 0 ? 0.0f : -2.5f) && ship->getVelocity().z == 0) << z;
    }
}

TEST_F(WorldRules, FollowGroundLandingSpringAndJump) {
    Probe obj(0.3f);
    const float floor = 0.3f + 1.0f + 0.2f;  // radius, ground, clearance
    for (float vz : {0.002f, -0.01f})  // drifting towards the camera it rides on the ground, else never sinks into it
        for (float y : {5.0f, 0.5f}) {
            put(&obj, float3{0, y, 0}, float3{0, 0, vz})->followGround(1.0f);
            EXPECT_FLOAT_EQ(obj.getPosition().y, vz > 0 || y < floor ? floor : y) << vz << " from " << y;
        }
    // The ship rides 0.2 over the ground, lands there, and a spring lifts it when below.
    add(ship, float3{0, -90.0f, -1.25f});
    ship->followGround(2.0f);
    EXPECT_NEAR(ship->getPosition().y, 2.2f, 1e-5);
    ship->setMotionState(Airborne);
    put(ship, float3{0, 2.1f, -1.25f}, float3{0, -0.001f, 0})->followGround(2.0f);
    EXPECT_TRUE(same(ship->getPosition(), {0, 2.2f, -1.25f}) && ship->getVelocity().y == 0) << "landed";
    put(ship, float3{0, 0.1f, -1.25f})->followGround(0.0f);
    EXPECT_TRUE(ship->getMotionState() == OnGround && std::fabs(ship->getVelocity().y - 0.002f) < 1e-7f);  // 2 * 5 * 0.1 / 500

    // A jump (the up arrow's impulse) stays Jumping until it comes back to riding height.
    const float h = 0.5f, ride = h + 0.2f;
    put(ship, float3{0, ride, -1.25f}, float3{0, s.rules.steerRate * 1.75f, 0});
    ship->setMotionState(Jumping);
    int backAt = -1;
    bool snapped = false;
    for (int step = 1; step <= 600; ++step) {
        ship->followGround(h);
        if (backAt < 0 && ship->getMotionState() != Jumping) backAt = step;
        snapped |= backAt > 0 && ship->getPosition().y == ride && ship->getVelocity().y == 0.0f;
        ship->update(5.0f);
    }
    EXPECT_TRUE(std::abs(backAt - 2 * 105) <= 3 && snapped) << backAt;  // 105 steps up, losing 5e-5 a step, and as many down

    // The ground asked for every object and the sign: never below the sea for the objects,
    // the terrain itself for the sign.
    Probe* low = add(new Probe(0.1f), float3{1, 9, -3});
    world.signPosition = float3{-6, 0, -20};
    const std::vector<float> answers{1.0f, -3.0f, -2.5f};  // ship, probe, sign
    world.updateHeights([&](const std::vector<float>& points, std::vector<float>& heights) {
        EXPECT_EQ(points, (std::vector<float>{ship->getPosition().x, ship->getPosition().z, 1, -3, -6, -20}));
        heights = answers;
    });
    EXPECT_FLOAT_EQ(low->getPosition().y, 9.0f) << "above its floor";
    low->setVelocity(0, 0, 0.001f);
    world.updateHeights([&](const std::vector<float>&, std::vector<float>& heights) { heights = answers; });
    EXPECT_FLOAT_EQ(low->getPosition().y, world.getSeaLevel() + 0.1f + 0.2f) << "rides on the sea";
    EXPECT_FLOAT_EQ(world.signPosition.y, -2.5f);
}

// From the second score threshold an asteroid coming towards the ship now and then turns
// towards it, unless it is already close; below it, never. (Its sizes are in the spawning test.)
TEST_F(WorldRules, AsteroidsAimAtTheShipFromTheSecondThresholdUnlessClose) {
    const float3 at = add(ship, float3{0, 0.2f, -1.25f})->getPosition();
    const int threshold = s.rules.secondScoreThreshold;
    auto aimed = [&](int score, float dx, float distance, float vz) {
        s.score = score;
        s.random.seed(99);
        Asteroid* a = add(new Asteroid(1.5f, s.random), float3{0, 0, 0});
        int n = 0;
        for (int step = 0; step < 4000; ++step) {
            put(a, float3{at.x + dx, at.y, at.z - distance}, float3{0.0001f, 0, vz})->update(5.0f);
            n += a->getVelocity().x != 0.0001f || a->getVelocity().z != vz;
        }
        world.requestRemoval(a);
        world.flushRemovals();
        return n;
    };
    EXPECT_EQ(aimed(threshold - 1, 1.0f, 10.0f, 0.001f), 0);
    const int aims = aimed(threshold, 1.0f, 10.0f, 0.001f);
    EXPECT_TRUE(aims > 0 && aims < 40) << aims;  // 0.3 % of 4000 steps
    EXPECT_EQ(aimed(3 * threshold, 0.0f, 3.79f, 0.001f), 0);
    EXPECT_EQ(aimed(3 * threshold, 1.0f, 10.0f, -0.001f), 0);
}

// What touches the ship plays its sound and goes in the same step, with its arrow: an
// asteroid empties the gun and knocks the ship aside, a refill adds three bullets and ends the
// refill hint, a star ends the star hint.
TEST_F(WorldRules, WhatTouchesTheShipActsPlaysItsSoundAndGoesInTheSameStep) {
    add(ship, float3{0, 0.2f, -1.25f});
    s.style = 1;  // a hit in the first style would end the flight
    for (ObjectKind kind : {ObjectKind::Asteroid, ObjectKind::BulletPowerUp, ObjectKind::Star}) {
        s.bulletCount = 3;
        world.bulletHintPending = world.starHintPending = true;
        put(ship, float3{0.5f, 0.2f, -1.25f}, float3{0.001f, 0, 0});
        GameObject* obj = kind == ObjectKind::Asteroid ? static_cast<GameObject*>(new Asteroid(1.5f, s.random))
                          : kind == ObjectKind::Star   ? static_cast<GameObject*>(new PowerUp())
                                                       : new BulletPowerUp();
        world.addObject(obj, true);  // placed at random, then where it touches the ship
        put(obj, float3{0.7f, 0.2f, -1.35f}, float3{0, 0, 0.001f});
        stepTo(0);
        const int k = static_cast<int>(kind);
        EXPECT_EQ(s.events.contacts, std::vector<ObjectKind>{kind}) << k;
        EXPECT_TRUE(world.getActiveObjects() == std::vector<GameObject*>{ship} && world.getHintedObjects().empty() &&
                    world.getPendingRemovals().empty()) << k;
        EXPECT_EQ(s.bulletCount, kind == ObjectKind::Asteroid ? 0 : kind == ObjectKind::BulletPowerUp ? 6 : 3) << k;
        EXPECT_EQ(std::vector<bool>({world.bulletHintPending, world.starHintPending}),
                  std::vector<bool>({kind != ObjectKind::BulletPowerUp, kind != ObjectKind::Star})) << k;
        const float dx = 0.7f - (0.5f + 0.001f * 5);  // after the ship's own step
        EXPECT_NEAR(ship->getVelocity().x, 0.001f - (kind == ObjectKind::Asteroid ? dx * 0.003f : 0), 1e-6) << k;
    }
}

// Spawning: a power-up only above a pressure of 10000, and a star only while a next style
// exists and more than 2500 ms after the last one; below the first score threshold single
// asteroids, from it one spawn in ten a swarm of 7 to 15 small ones.
TEST_F(WorldRules, PowerUpsAboveTenThousandStarsAfter2500MsAndSwarmsFromTheFirstThreshold) {
    // Spawn, power-up chosen, bullet power-up chosen.
    unsigned seed = findSeed([](Random& r) { return r.next() < 100 && r.next() % 100 < 42 && r.next() % 100 < 40; });
    for (int pressure : {10000, 10001}) {
        world.clear();
        world.bulletHintPending = true;
        stepTo(pressure, seed);
        EXPECT_TRUE(pressure == 10000 ? onlyA<Asteroid>() : onlyA<BulletPowerUp>()) << pressure;
        EXPECT_EQ(world.getHintedObjects().size(), pressure == 10000 ? 0u : 1u);
    }
    // Spawn, power-up chosen, star chosen: a star only after 2500 ms (the step adds 5), and never
    // in the last style, where nothing comes instead.
    seed = findSeed([](Random& r) { return r.next() < 200 && r.next() % 100 < 42 && r.next() % 100 >= 40; });
    const struct { int timer, style; bool star; } stars[] = {{2495, s.style, false}, {2496, s.style, true}, {100000, kStyleCount - 1, false}};
    for (const auto& c : stars) {
        world.clear();
        s.style = c.style;
        world.setStarTimer(c.timer);
        stepTo(20000, seed);
        EXPECT_TRUE(c.star ? onlyA<PowerUp>() : world.getActiveObjects().empty()) << c.timer;
    }

    std::set<size_t> swarms;
    for (unsigned round = 0; round < 12; ++round) {
        // Spawn, and the one-in-ten swarm draw succeeds.
        seed = findSeed([](Random& r) { return r.next() < 100 && r.next() % 100 < 10; }, seed + 1);
        s.score = s.rules.firstScoreThreshold - 1;
        stepTo(10000, seed);
        EXPECT_TRUE(onlyA<Asteroid>() && world.getActiveObjects()[0]->getScale().x >= 0.1f);
        world.clear();
        s.score = s.rules.firstScoreThreshold;
        stepTo(10000, seed);
        for (GameObject* obj : world.getActiveObjects()) EXPECT_TRUE(obj->isAsteroid() && obj->getScale().x <= 0.06f);
        swarms.insert(world.getActiveObjects().size());
        world.clear();
    }
    EXPECT_TRUE(*swarms.begin() == 7 && *swarms.rbegin() <= 15 && swarms.size() > 1) << *swarms.begin() << " .. " << *swarms.rbegin();
}

TEST_F(WorldRules, KnockAwayAndObjectsMovingTheSameWayPassThrough) {
    Probe* bullet = add(new Probe(0.05f), float3{0, 0, -10}, float3{0, 0, -0.01f});
    Probe* rock = add(new Probe(0.3f), float3{0.1f, 0, -10.2f}, float3{0.0004f, 0, 0.001f});
    stepTo(0);
    EXPECT_EQ(world.getActiveObjects().size(), 2u) << "nothing removed";
    ASSERT_EQ(s.events.knocks.size(), 1u) << "sparks where they met";
    EXPECT_NEAR(s.events.knocks[0].z, (-10.05f - 10.195f) / 2, 1e-4);
    EXPECT_TRUE(same(rock->getVelocity(), {-0.0004f, 0, -0.01f}) && same(bullet->getVelocity(), {0.0004f, 0, -0.01f}));
    for (float vz : {0.001f, -0.01f}) {
        world.clear();
        Probe* a = add(new Probe(0.3f), float3{0, 0, -10}, float3{0.0002f, 0, vz});
        add(new Probe(0.3f), float3{0.1f, 0, -10}, float3{-0.0002f, 0, vz});
        stepTo(0);
        EXPECT_TRUE(same(a->getVelocity(), {0.0002f, 0, vz})) << vz;
    }
}

}  // namespace
