// A flight's state and its step, without the Game and without GL: the clock, the inputs, the
// levels, the end of a flight, and runs that replay exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/Replay.h"
#include "core/Step.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/PowerUp.h"
#include "support/TestFiles.h"

namespace {

// The strip's own heights under each point (nearest grid vertex): a ground that follows the
// relief, as the GPU's does, and answers the same every time.
Ground gridGround(const GameState& s) {
    return [&s](const std::vector<float>& points, std::vector<float>& heights) {
        const TerrainStrip& strip = s.world.getTerrain();
        for (size_t k = 0; k < heights.size(); ++k) {
            const float x = points[2 * k] - strip.getPosition().x, z = points[2 * k + 1];
            heights[k] = -5.0f;
            for (const StripChunk& c : strip.getChunks()) {
                const HeightGrid& g = *c.grid;
                const int i = static_cast<int>(std::lround(x / g.getSizeX() * (g.getVerticesX() - 1)));
                const int j = static_cast<int>(std::lround((z - c.z) / g.getSizeZ() * (g.getVerticesZ() - 1)));
                if (i >= 0 && j >= 0 && i < g.getVerticesX() && j < g.getVerticesZ()) heights[k] = g.getVertex(i, j).y;
            }
        }
    };
}

Input with(std::initializer_list<Input::Bit> bits) {
    Input in;
    for (Input::Bit b : bits) in.set(b);
    return in;
}

struct Flight : ::testing::Test {
    GameState s;
    Ground flat = [](const std::vector<float>&, std::vector<float>& h) { std::fill(h.begin(), h.end(), 0.0f); };

    void SetUp() override {
        s.start(7, FlightRules{});
        s.world.setSpawnPressure(-1000000000);  // only the test puts objects in the field
        s.ship->setPosition(0, 0.2f, -1.25f);
    }
    StepEvents run(int n, const Input& input = Input()) {
        StepEvents last;
        for (int i = 0; i < n; ++i) last = step(s, input, flat);
        return last;
    }
    float vx() const { return s.ship->getVelocity().x; }
    // Something the ship runs into at once.
    template <class T>
    T* ahead(T* obj) {
        const float3 p = s.ship->getPosition();
        obj->setPosition(p.x, p.y, p.z - 0.05f);
        obj->setVelocity(0, 0, 0.001f);
        s.world.addToActive(obj);
        return obj;
    }
};

TEST(StepClock, StepsOnlyWhenMoreThanAStepIsPendingAndAStallIsCut) {
    StepClock clock;
    auto steps = [&clock](uint32_t ms) {
        clock.add(ms);
        int n = 0;
        while (clock.takeStep(5.0f)) ++n;
        return n;
    };
    EXPECT_EQ(steps(5), 0) << "exactly 5 ms wait";
    EXPECT_EQ(steps(1), 1);
    EXPECT_FLOAT_EQ(clock.pending(), 1.0f);
    EXPECT_EQ(steps(300000), 50) << "five minutes stopped: 250 ms of them are simulated";
    EXPECT_EQ(steps(17), 3);
}

TEST_F(Flight, AStepMovesCamerasAndShipForwardAndTheSpeedGrowsToItsCap) {
    run(1);
    for (float moved : {s.chaseCamera.getEye().z - 0.5f, s.chaseCamera.getCenter().z + 1.5f,
                        s.topDownCamera.getEye().z + 1.25f, s.ship->getPosition().z + 1.25f})
        EXPECT_NEAR(moved, -0.025f, 1e-6) << "both cameras and the ship";
    EXPECT_NEAR(s.forwardSpeed, 0.005f + 1e-7f, 1e-9);
    s.forwardSpeed = 0.08f - 1.5e-7f;
    run(1);
    EXPECT_LT(s.forwardSpeed, 0.08f);
    run(10);
    EXPECT_EQ(s.forwardSpeed, 0.08f) << "the cap";
}

TEST_F(Flight, ArrowsSteerToTheLimitAndReleaseDecays) {
    // Both arrows held change nothing; 19 steps are not yet at the limit, which then holds.
    const struct { bool right; int steps; float vx; } phases[] = {
        {false, 4, -0.001f}, {true, 3, -0.001f}, {false, 15, -0.00475f}, {false, 1, -0.005f}, {false, 20, -0.005f}};
    for (const auto& p : phases) {
        run(p.steps, p.right ? with({Input::Left, Input::Right}) : with({Input::Left}));
        EXPECT_NEAR(vx(), p.vx, 1e-7) << p.steps << " steps" << (p.right ? " with both arrows" : "");
    }
    float expected = vx();
    for (int i = 1; i <= 5; ++i) {
        run(1);
        expected *= 0.75f;
        EXPECT_NEAR(vx(), expected, 1e-7) << "release step " << i;
    }
    run(1);  // 0.75 of 0.00119 is below 0.0009
    EXPECT_EQ(vx(), 0.0f);

    // In a jump the arrows steer five times more gently and nothing decays.
    s.ship->setMotionState(Jumping);
    s.ship->setVelocity(0.002f, 0.01f, 0);
    run(1);
    EXPECT_FLOAT_EQ(vx(), 0.002f);
    run(1, with({Input::Right}));
    EXPECT_NEAR(vx(), 0.002f + 0.003f * 5 / 300, 1e-7);
}

TEST_F(Flight, TheChaseCameraSoftLimitKeepsItWithin2Point5) {
    EXPECT_DOUBLE_EQ(softLimit(1.5), 1.5);
    EXPECT_NEAR(softLimit(-100.0), -2.5, 1e-12);
    s.ship->setPosition(3, 0.2f, -1.25f);
    s.chaseCamera.set(3, 1.4f, 0.5f, 3, 0.5f, -1.5f, 0, 0, -1);
    run(1);  // a camera x of 3 is stored as tanh(1.5) + 1.5
    EXPECT_NEAR(s.chaseCamera.getEye().x, 2.405f, 1e-3);
    EXPECT_NEAR(s.chaseCamera.getCenter().x, 2.405f, 1e-3);
}

TEST_F(Flight, SignsArePlacedOnceEachAheadOfTheShipAndOnlyOneAStep) {
    s.score = 4750;
    run(1);
    EXPECT_FALSE(s.firstSignShown) << "4750 is not above 4750";
    s.score = 20000;  // both thresholds passed at once
    run(1);
    EXPECT_TRUE(s.firstSignShown);
    EXPECT_FALSE(s.secondSignShown) << "the attack sign waits for the next step";
    EXPECT_FLOAT_EQ(s.world.signPosition.x, -6.0f);
    EXPECT_NEAR(s.world.signPosition.z, s.ship->getPosition().z - 30.0f, 1e-5);
    run(1);
    EXPECT_TRUE(s.secondSignShown);
    const float z = s.world.signPosition.z;
    run(5);
    EXPECT_FLOAT_EQ(s.world.signPosition.z, z) << "placed once";
}

TEST_F(Flight, JumpSinkAndFireActOnceAPressAndTheGunFiresOnlyWhatItHolds) {
    StepEvents e = run(1, with({Input::Fire}));
    EXPECT_FALSE(e.fired) << "an empty gun";
    EXPECT_EQ(s.world.getActiveObjects().size(), 1u);
    s.bulletCount = 2;
    const float3 p = s.ship->getPosition();
    e = run(1, with({Input::Fire, Input::Jump}));
    EXPECT_TRUE(e.fired && e.jumped);
    EXPECT_EQ(s.bulletCount, 1);
    ASSERT_EQ(s.world.getActiveObjects().size(), 2u);
    const GameObject* bullet = s.world.getActiveObjects()[1];
    EXPECT_EQ(bullet->getKind(), ObjectKind::Bullet);
    EXPECT_NEAR(bullet->getPosition().z, p.z - 0.3f - 0.05f, 1e-5) << "0.3 ahead of the ship, then one step";
    EXPECT_EQ(s.ship->getMotionState(), Jumping);
    EXPECT_NEAR(s.ship->getVelocity().y, 0.003f * 1.75f - 0.00005f, 1e-7);
    e = run(1, with({Input::Jump, Input::Sink}));
    EXPECT_FALSE(e.jumped) << "not again in the air";
    EXPECT_NEAR(s.ship->getVelocity().y, 0.003f * 1.75f - 0.003f - 2 * 0.00005f, 1e-7) << "sunk";

    InputQueue queue;
    queue.hold(Input::Left, true);
    queue.press(Input::Fire);
    queue.press(Input::Fire);
    EXPECT_EQ(queue.take().bits, Input::Left | Input::Fire);
    EXPECT_EQ(queue.take().bits, Input::Left | Input::Fire) << "the second press, one step later";
    queue.hold(Input::Left, false);
    EXPECT_EQ(queue.take().bits, 0);
}

TEST_F(Flight, StarsMoveOnAndHitsBackUntilAHitInTheFirstStyleEndsTheFlight) {
    EXPECT_EQ(run(1, with({Input::TestStar})).stylesForward, 1);
    ahead(new PowerUp());
    const StepEvents star = run(1);
    EXPECT_EQ(star.contacts, std::vector<ObjectKind>{ObjectKind::Star});
    EXPECT_EQ(std::vector<int>({s.style, s.scoreMultiplier}), std::vector<int>({2, 3}));
    for (int i = 0; i < 20; ++i) run(1, with({Input::TestStar}));
    EXPECT_EQ(std::vector<int>({s.style, s.scoreMultiplier}), std::vector<int>({10, 11})) << "the last style stays";
    EXPECT_TRUE(s.ship->finalGroupReached);

    s.bulletCount = 3;
    ahead(new Asteroid(0.06f, s.random));
    const StepEvents hit = run(1);
    EXPECT_TRUE(hit.hits == 1 && hit.bulletsLost && !hit.gameOver);
    EXPECT_EQ(std::vector<int>({s.style, s.scoreMultiplier, s.bulletCount}), std::vector<int>({9, 10, 0}));
    s.bulletCount = 3;
    run(1, with({Input::TestHit}));
    EXPECT_EQ(std::vector<int>({s.style, s.bulletCount}), std::vector<int>({8, 3})) << "F2 keeps the gun";
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(run(1, with({Input::TestHit})).gameOver);
    EXPECT_TRUE(run(1, with({Input::TestHit})).gameOver);
    EXPECT_TRUE(s.over);
}

// Two defects found by driving the game: the score grew after the hit that ended the flight
// (the same step's objects leaving the field, and the steps after it), and the attract
// mode's bullets were carried into the player's next flight.
TEST_F(Flight, AFinishedFlightKeepsItsScoreAndTheNextStartsWithAnEmptyGun) {
    s.score = 4500;
    s.bulletCount = 2;
    ahead(new Asteroid(0.06f, s.random));
    // A bullet that leaves the field ahead in the same step, and more behind the camera.
    auto* bullet = new Bullet();
    bullet->setPosition(2, 0.2f, s.getEyeZ() - 31.0f + 0.001f);
    bullet->setVelocity(0, 0, -0.01f);
    s.world.addToActive(bullet);
    for (int i = 0; i < 5; ++i) {
        auto* passing = new Bullet();
        passing->setPosition(-2, 0.2f, s.getEyeZ() + 1.9f + 0.03f * i);
        passing->setVelocity(0, 0, 0.01f);
        s.world.addToActive(passing);
    }
    const StepEvents end = run(1);
    EXPECT_TRUE(end.gameOver);
    EXPECT_EQ(end.scorePaid, 0);
    run(200);
    EXPECT_EQ(s.score, 4500) << "the score at the hit";

    GameState demo;
    demo.start(1717, FlightRules{}, FlightMode::Demo);
    demo.bulletCount = 3;  // picked up on the way
    ahead(new Asteroid(0.06f, demo.random));
    demo.start(99, FlightRules{});
    EXPECT_EQ(demo.bulletCount, 0);
}

// A recorded flight, kept as a file among the player's replays, read back and played again
// ends where it ended, bit for bit; the latest ten and the best are kept; a damaged,
// truncated, foreign or newer file is refused in words.
TEST(FlightReplay, AKeptFlightPlaysBackExactlyAndBadFilesAreRefused) {
    const std::string dir = harness::makeTempDir("lumivex-replays");
    auto record = [&dir](long steps) {
        int reached = 1;
        GameState s;
        s.start(42, FlightRules{});
        replay::Recorder recorder;
        recorder.start(s.seed, s.rules);
        const Ground grid = gridGround(s);
        // As the game does, the answers go to 1/64 units; every other one keeps its own bits.
        const Ground ground = [&](const std::vector<float>& p, std::vector<float>& h) {
            grid(p, h);
            if (s.stepCount % 2) replay::quantise(h);
            recorder.ground(p, h);
        };
        s.world.updateHeights(ground);  // as the game puts the ship on the ground before the first step
        for (long n = 0; !s.over; ++n) {
            // A player's hands: weaving, jumping now and then, firing, a test key or two.
            Input in;
            in.set((n / 300) % 3 == 0 ? Input::Left : Input::Right, (n / 300) % 3 != 2);
            in.set(Input::Jump, n % 700 == 0);
            in.set(Input::Fire, n % 90 == 0);
            in.set(Input::TestBulletPowerUp, n % 2000 == 1);
            in.set(Input::TestStar, n % 3000 == 2);
            in.set(Input::EndFlight, n == steps);
            step(s, in, ground);
            recorder.stepped(in, s);
            reached = std::max(reached, s.style + 1);
        }
        std::string problem;
        return std::make_tuple(replay::keep(dir, recorder.finish(s, 1765000000), &problem), s.score, reached);
    };
    const auto [path, score, reached] = record(12000);
    ASSERT_FALSE(path.empty());
    EXPECT_GT(score, 0);
    std::string why;
    replay::Replay read;
    ASSERT_TRUE(replay::load(path, &read, &why)) << why;
    EXPECT_EQ(read.header.stylesReached, reached);
    const std::string bytes = harness::readFileText(path);
    // Played from the file the flight ends where it ended; with one input left out it comes
    // out otherwise, and says so.
    auto play = [&read](long leftOut, int* endScore) {
        replay::Player player(read);
        GameState again;
        again.start(player.header().seed, player.header().rules);
        const Ground recorded = [&](const std::vector<float>& p, std::vector<float>& h) { player.ground(p, h); };
        again.world.updateHeights(recorded);
        for (long n = 0; !player.finished(); ++n) step(again, n == leftOut ? Input() : player.next(), recorded);
        *endScore = again.score;
        return player.verify(again);
    };
    int replayed = 0;
    EXPECT_EQ(play(-1, &replayed), "");
    EXPECT_EQ(replayed, score);
    EXPECT_NE(play(100, &replayed), "");

    // Eleven short flights later: the ten latest and the best.
    for (int i = 0; i < 11; ++i) record(1);
    const std::vector<replay::Entry> kept = replay::list(dir);
    ASSERT_EQ(kept.size(), 11u);
    EXPECT_TRUE(kept[0].best && kept[0].header.score == score);
    EXPECT_EQ(kept[1].header.score, 0);

    std::string newer = bytes, flipped = bytes;
    newer[8] = 2;
    flipped[bytes.size() / 2] ^= 0x10;
    const struct { std::string bytes, reason; } bad[] = {
        {flipped, "damaged"}, {bytes.substr(0, bytes.size() - 9), "cut short"}, {bytes.substr(0, 30), "cut short"},
        {"0;nobody\n", "not a Lumivex replay"}, {newer, "newer version"}};
    for (const auto& b : bad) {
        harness::writeFileText(dir + "/bad.lvr", b.bytes);
        EXPECT_FALSE(replay::load(dir + "/bad.lvr", &read, &why));
        EXPECT_NE(why.find(b.reason), std::string::npos) << why;
    }
    harness::removeTree(dir);
}

// The autopilot: which arrow it holds (or a jump) for a ship at x 0 and objects ahead.
TEST_F(Flight, TheAutopilotDodgesAsteroidsHeadsForStarsAndJumpsWhatItCannotPass) {
    const float z = s.ship->getPosition().z;
    auto arrows = [&] {
        const Input in = demo::autopilot(s);
        return in.has(Input::Left) ? -1 : in.has(Input::Right) ? 1 : 0;
    };
    auto place = [&](GameObject* obj, float x, float dz) {
        obj->setPosition(x, 0, z + dz);
        if (!obj->getWorld()) s.world.addToActive(obj);
        return obj;
    };
    EXPECT_EQ(arrows(), 0) << "nothing ahead, in the middle: straight on";
    s.ship->setPosition(1.5f, 0.2f, z);
    EXPECT_EQ(arrows(), -1) << "back to the middle";
    s.ship->setPosition(0, 0.2f, z);

    GameObject* star = place(new PowerUp(), 2.0f, -6);
    EXPECT_EQ(arrows(), 1) << "towards the star";
    place(star, -2.0f, -6);
    EXPECT_EQ(arrows(), -1);
    place(star, -2.0f, 1);
    EXPECT_EQ(arrows(), 0) << "a star behind is let go";

    GameObject* rock = place(new Asteroid(1.5f, s.random), 0.1f, -4);
    EXPECT_EQ(arrows(), -1) << "round the side it is already on";
    place(rock, -0.1f, -4);
    EXPECT_EQ(arrows(), 1);
    EXPECT_FALSE(demo::autopilot(s).has(Input::Jump)) << "far enough to steer round";
    place(rock, 0, -0.8f);
    EXPECT_TRUE(demo::autopilot(s).has(Input::Jump)) << "too close: over it";
    s.ship->setMotionState(Jumping);
    EXPECT_FALSE(demo::autopilot(s).has(Input::Jump)) << "not again while in the air";
    s.ship->setMotionState(OnGround);

    // A rock between the ship and a star: the ship passes the rock on the star's side.
    place(rock, -1.0f, -3);
    place(star, -1.0f, -7);
    s.ship->setPosition(-0.5f, 0.2f, z);
    EXPECT_EQ(arrows(), 1) << "the star's line is blocked: beside the rock, nearer the ship";
}

// A seeded minute over flat ground with a busy field: the autopilot takes far fewer hits than
// a ship flying straight, and more stars; the demo flies on through its hits.
TEST_F(Flight, OnTheAutopilotAFlightTakesFewerHitsAndMoreStars) {
    auto fly = [&](bool pilot, int* stars) {
        s.start(demo::kSeed, FlightRules{}, FlightMode::Demo);
        s.world.setSpawnPressure(60000);
        int hits = 0;
        *stars = 0;
        for (int i = 0; i < 12000; ++i) {
            const StepEvents e = step(s, pilot ? demo::autopilot(s) : Input(), flat);
            hits += e.hits;
            *stars += static_cast<int>(std::count(e.contacts.begin(), e.contacts.end(), ObjectKind::Star));
        }
        EXPECT_FALSE(s.over);
        return hits;
    };
    int starsStraight = 0, starsPiloted = 0;
    const int straight = fly(false, &starsStraight), piloted = fly(true, &starsPiloted);
    EXPECT_GE(straight, 10) << "the field is busy enough to tell";
    EXPECT_LE(piloted * 4, straight) << piloted << " hits piloted";
    EXPECT_GT(starsPiloted, starsStraight);
    EXPECT_EQ(s.style, kStyleCount - 1) << "the schedule, not the stars, chose the styles";
}

TEST(DemoSchedule, SixSecondsAStyleElevenStylesThenOverAndTheTitleWaitsTwentySeconds) {
    demo::Schedule schedule;
    EXPECT_EQ(schedule.advance(5995), 0);
    EXPECT_EQ(schedule.style(), 0);
    EXPECT_EQ(schedule.advance(5), 1);
    EXPECT_EQ(schedule.style(), 1);
    EXPECT_EQ(schedule.advance(59995), 9) << "after a stall, every style missed at once";
    EXPECT_FALSE(schedule.finished());
    EXPECT_EQ(schedule.advance(5), 0) << "the last style stays to the end";
    EXPECT_TRUE(schedule.finished());

    EXPECT_FALSE(demo::due(1000, 20999));
    EXPECT_TRUE(demo::due(1000, 21000));
    EXPECT_TRUE(demo::due(0xFFFFF000u, 0xFFFFF000u + 20000u)) << "across the clock's wrap";
    EXPECT_FALSE(demo::due(0xFFFFF000u, 100u));
}

}  // namespace
