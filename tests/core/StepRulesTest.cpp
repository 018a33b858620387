// A flight's state and its step, without the Game and without GL: the clock, the inputs, the
// levels, the end of a flight, and runs that replay exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/Daily.h"
#include "core/GameConfig.h"
#include "core/Ghost.h"
#include "core/Replay.h"
#include "core/Statistics.h"
#include "core/Step.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/PowerUp.h"
#include "support/TestFiles.h"

namespace {

Input with(int bits) { return Input{static_cast<uint16_t>(bits)}; }

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
    // Puts obj in the field at x and z, at the ship's height, moving along z.
    template <class T>
    T* put(T* obj, float x, float z, float vz = 0.001f) {
        obj->setPosition(x, s.ship->getPosition().y, z);
        obj->setVelocity(0, 0, vz);
        if (!obj->getWorld()) s.world.addToActive(obj);
        return obj;
    }
    // Something the ship runs into at once.
    template <class T>
    T* ahead(T* obj) { return put(obj, s.ship->getPosition().x, s.ship->getPosition().z - 0.05f); }
};

TEST(StepClock, StepsOnlyWhenMoreThanAStepIsPendingAndAStallIsCut) {
    StepClock clock;
    auto steps = [&clock](uint32_t ms) {
        clock.add(ms);
        int n = 0;
        while (clock.takeStep(5.0f)) ++n;
        return n;
    };
    // Exactly 5 ms wait; of five minutes stopped, 250 ms are simulated.
    EXPECT_EQ(std::vector<int>({steps(5), steps(1), steps(300000), steps(17)}), std::vector<int>({0, 1, 50, 3}));
    EXPECT_FLOAT_EQ(clock.pending(), 3.0f);
}

TEST_F(Flight, AStepMovesTheCameraAndShipForwardAndTheSpeedGrowsToItsCap) {
    run(1);
    for (float moved :
         {s.chaseCamera.getEye().z - 0.5f, s.chaseCamera.getCenter().z + 1.5f, s.ship->getPosition().z + 1.25f})
        EXPECT_NEAR(moved, -0.025f, 1e-6) << "the camera and the ship";
    EXPECT_NEAR(s.forwardSpeed, 0.005f + 1e-7f, 1e-9);
    s.forwardSpeed = 0.08f - 1.5e-7f;
    run(1);
    EXPECT_LT(s.forwardSpeed, 0.08f);
    run(10);
    EXPECT_EQ(s.forwardSpeed, 0.08f) << "the cap";
}

// Normal is every number of the game's own rules; a minute of each grade on the same seed:
// Relaxed is slower with a field that fills more slowly, Arcade the reverse. The title's G
// goes round them in this order, and settings.ini names them in any case.
TEST(Grades, NormalIsTheGamesOwnRulesRelaxedIsGentlerAndArcadeHarder) {
    const GameConfig config;
    const FlightRules today, normal = flightRules(config, Grade::Normal);
    EXPECT_EQ(std::memcmp(&normal, &today, sizeof today), 0);
    const Ground flat = [](const std::vector<float>&, std::vector<float>& h) { std::fill(h.begin(), h.end(), 0.0f); };
    auto minute = [&](Grade grade) {
        GameState s;
        s.start(5, flightRules(config, grade), FlightMode::Demo);  // flies on through its hits
        for (int i = 0; i < 12000; ++i) step(s, Input(), flat);
        return std::make_pair(s.forwardSpeed, static_cast<float>(s.world.getSpawnPressure()));
    };
    const auto [speed, pressure] = minute(Grade::Normal);
    const struct { Grade grade; const char *name, *key, *next; float speedLow, speedHigh, pressureLow, pressureHigh; } grades[] = {
        {Grade::Relaxed, "Relaxed", "RELAXED", "Normal", 0.6f, 0.8f, 0.3f, 0.6f},
        {Grade::Normal, "Normal", "normal", "Arcade", 0, 0, 0, 0},
        {Grade::Arcade, "Arcade", "Arcade", "Relaxed", 1.2f, 1.5f, 1.5f, 2.5f}};
    for (const auto& g : grades) {
        Grade read = Grade::Normal;
        EXPECT_TRUE(parseGrade(g.key, &read) && read == g.grade && gradeName(g.grade) == std::string(g.name) &&
                    gradeName(nextGrade(g.grade, 1)) == std::string(g.next) && nextGrade(nextGrade(g.grade, 1), -1) == g.grade)
            << g.name;
        if (g.grade == Grade::Normal) continue;
        const auto [gradeSpeed, gradePressure] = minute(g.grade);
        EXPECT_TRUE(gradeSpeed >= g.speedLow * speed && gradeSpeed <= g.speedHigh * speed) << g.name << " " << gradeSpeed;
        EXPECT_TRUE(gradePressure >= g.pressureLow * pressure && gradePressure <= g.pressureHigh * pressure) << g.name;
    }
}

TEST_F(Flight, ArrowsSteerToTheLimitAndReleaseDecays) {
    // Both arrows held change nothing; 19 steps are not yet at the limit, which then holds.
    // Released, the speed loses a quarter a step, and stops below 0.0009.
    const struct { int arrows, steps; float vx; } phases[] = {
        {Input::Left, 4, -0.001f}, {Input::Left | Input::Right, 3, -0.001f}, {Input::Left, 15, -0.00475f},
        {Input::Left, 1, -0.005f}, {Input::Left, 20, -0.005f},         {0, 1, -0.00375f},
        {0, 4, -0.00375f * 0.75f * 0.75f * 0.75f * 0.75f},             {0, 1, 0.0f}};
    for (const auto& p : phases) {
        run(p.steps, with(p.arrows));
        EXPECT_NEAR(vx(), p.vx, 1e-7) << p.steps << " steps with arrows " << p.arrows;
    }
    EXPECT_EQ(vx(), 0.0f);

    // In a jump the arrows steer five times more gently and nothing decays.
    s.ship->setMotionState(Jumping);
    s.ship->setVelocity(0.002f, 0.01f, 0);
    run(1);
    EXPECT_FLOAT_EQ(vx(), 0.002f);
    run(1, with(Input::Right));
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
    EXPECT_TRUE(s.firstSignShown && !s.secondSignShown) << "the attack sign waits for the next step";
    EXPECT_FLOAT_EQ(s.world.signPosition.x, -6.0f);
    EXPECT_NEAR(s.world.signPosition.z, s.ship->getPosition().z - 30.0f, 1e-5);
    run(1);
    EXPECT_TRUE(s.secondSignShown);
    const float z = s.world.signPosition.z;
    run(5);
    EXPECT_FLOAT_EQ(s.world.signPosition.z, z) << "placed once";
}

TEST_F(Flight, JumpSinkAndFireActOnceAPressAndTheGunFiresOnlyWhatItHolds) {
    StepEvents e = run(1, with(Input::Fire));
    EXPECT_TRUE(!e.fired && s.world.getActiveObjects().size() == 1u) << "an empty gun";
    s.bulletCount = 2;
    const float3 p = s.ship->getPosition();
    e = run(1, with(Input::Fire | Input::Jump));
    EXPECT_TRUE(e.fired && e.jumped);
    EXPECT_EQ(s.bulletCount, 1);
    ASSERT_EQ(s.world.getActiveObjects().size(), 2u);
    const GameObject* bullet = s.world.getActiveObjects()[1];
    EXPECT_EQ(bullet->getKind(), ObjectKind::Bullet);
    EXPECT_NEAR(bullet->getPosition().z, p.z - 0.3f - 0.05f, 1e-5) << "0.3 ahead of the ship, then one step";
    EXPECT_EQ(s.ship->getMotionState(), Jumping);
    EXPECT_NEAR(s.ship->getVelocity().y, 0.003f * 1.75f - 0.00005f, 1e-7);
    e = run(1, with(Input::Jump | Input::Sink));
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

// (A hit in the first style ends the flight: the statistics' flight below.)
TEST_F(Flight, StarsMoveOnToTheLastStyleAndHitsMoveBack) {
    EXPECT_EQ(run(1, with(Input::TestStar)).stylesForward, 1);
    ahead(new PowerUp());
    const StepEvents star = run(1);
    EXPECT_EQ(star.contacts, std::vector<ObjectKind>{ObjectKind::Star});
    EXPECT_EQ(std::vector<int>({s.style, s.scoreMultiplier}), std::vector<int>({2, 3}));
    for (int i = 0; i < 20; ++i) run(1, with(Input::TestStar));
    EXPECT_EQ(std::vector<int>({s.style, s.scoreMultiplier}), std::vector<int>({10, 11})) << "the last style stays";
    EXPECT_TRUE(s.ship->finalGroupReached);

    s.bulletCount = 3;
    ahead(new Asteroid(0.06f, s.random));
    const StepEvents hit = run(1);
    EXPECT_TRUE(hit.hits == 1 && hit.bulletsLost && !hit.gameOver);
    EXPECT_EQ(std::vector<int>({s.style, s.scoreMultiplier, s.bulletCount}), std::vector<int>({9, 10, 0}));
    s.bulletCount = 3;
    run(1, with(Input::TestHit));
    EXPECT_EQ(std::vector<int>({s.style, s.bulletCount}), std::vector<int>({8, 3})) << "F2 keeps the gun";
}

// The statistics of a known flight: 100 steps in the first style, a star, 60 steps, a star,
// 40, a hit, 20, a hit, 20, and the hit in the first style that ends the flight before its
// step moves it; the steps after count nothing. A bullet strikes a rock on the way.
TEST_F(Flight, StatisticsCountEachStylesTimeTheStarsHitsShotsAndBestMultiplier) {
    put(new Asteroid(0.06f, s.random), 1.5f, -3);
    put(new Bullet(), 1.5f, -3.001f, -0.01f);
    FlightStats stats;
    const struct { int press, steps; } schedule[] = {
        {0, 100}, {Input::TestStar, 60}, {Input::TestStar, 40}, {Input::TestHit, 20}, {Input::TestHit, 20}, {Input::TestHit, 9}};
    for (const auto& phase : schedule)
        for (int i = 0; i < phase.steps; ++i) stats.add(s, step(s, with(i == 0 ? phase.press : 0), flat));
    ASSERT_TRUE(s.over);
    EXPECT_EQ(std::vector<int64_t>({stats.styleMs(0), stats.styleMs(1), stats.styleMs(2), stats.styleMs(3), stats.durationMs()}),
              std::vector<int64_t>({600, 400, 200, 0, 1200}));
    EXPECT_EQ(std::vector<int64_t>({stats.stars, stats.hits, stats.bestMultiplier, stats.asteroidsShot}),
              std::vector<int64_t>({2, 3, 3, 1}));
    // Added up: the flights, the longest, the best; a number stops at its limit.
    Statistics totals;
    totals.add(stats);
    totals.hits = Statistics::kMaxValue - 1;
    totals.add(stats);
    EXPECT_EQ(std::vector<int64_t>({totals.flights, totals.stars, totals.hits, totals.bestMultiplier, totals.longestFlightMs, totals.styleMs[1]}),
              std::vector<int64_t>({2, 4, Statistics::kMaxValue, 3, 1200, 800}));
}

// stats.txt: what is written reads back; a damaged line is left out and the others count; a
// newer version or another file counts nothing. (Two games saving at once: TableRulesTest.)
TEST(StatisticsFile, WhatIsWrittenReadsBackAndADamagedLineIsLeftOut) {
    Statistics totals;
    totals.flights = 2, totals.stars = 4, totals.styleMs[10] = 5000;
    const std::string good = formatStatistics(totals);
    const struct { std::string text, problem; int64_t flights, stars; } cases[] = {
        {good, "", 2, 4},
        {good + "stars 12\r\n\n", "", 2, 12},
        {good + "stars 1 2\n", "line 19: not a number in range", 2, 4},
        {good + "stars -1\nbogus 3\n", "line 19: not a number in range", 2, 4},
        {good + "best_multiplier 12\nstars 1000000000000000\n", "line 19: not a number in range", 2, 4},
        {"lumivex-stats 1\nflights 7\nstars\n", "line 3: not a known key and number", 7, 0},
        {"lumivex-stats 2\nflights 7\n", "a newer version", 0, 0},
        {"flights 7\n", "not a statistics file", 0, 0},
        {"", "not a statistics file", 0, 0}};
    for (const auto& c : cases) {
        const StatisticsRead read = parseStatistics(c.text);
        EXPECT_EQ(std::vector<int64_t>({read.totals.flights, read.totals.stars}), std::vector<int64_t>({c.flights, c.stars})) << c.text;
        EXPECT_EQ(read.problem, c.problem) << c.text;
    }
    EXPECT_EQ(parseStatistics(good).totals, totals);
}

// Two defects found by driving the game: the score grew after the hit that ended the flight
// (the same step's objects leaving the field, and the steps after it), and the attract
// mode's bullets were carried into the player's next flight.
TEST_F(Flight, AFinishedFlightKeepsItsScoreAndTheNextStartsWithAnEmptyGun) {
    s.score = 4500;
    s.bulletCount = 2;
    ahead(new Asteroid(0.06f, s.random));
    // A bullet that leaves the field ahead in the same step, and more behind the camera.
    put(new Bullet(), 2, s.getEyeZ() - 31.0f + 0.001f, -0.01f);
    for (int i = 0; i < 5; ++i) put(new Bullet(), -2, s.getEyeZ() + 1.9f + 0.03f * i, 0.01f);
    const StepEvents end = run(1);
    EXPECT_TRUE(end.gameOver);
    EXPECT_EQ(end.scorePaid, 0);
    run(200);
    EXPECT_EQ(s.score, 4500) << "the score at the hit";

    GameState demo;
    demo.start(1717, FlightRules{}, FlightMode::Demo);
    demo.bulletCount = 3;  // picked up on the way
    demo.start(99, FlightRules{});
    EXPECT_EQ(demo.bulletCount, 0);
}

// A player's hands at step n: weaving, jumping now and then, firing, a test key or two.
Input hands(long n) {
    Input in;
    in.set((n / 300) % 3 == 0 ? Input::Left : Input::Right, (n / 300) % 3 != 2);
    in.set(Input::Jump, n % 700 == 0);
    in.set(Input::Fire, n % 90 == 0);
    in.set(Input::TestBulletPowerUp, n % 2000 == 1);
    in.set(Input::TestStar, n % 3000 == 2);
    return in;
}

// A relief that answers from the points alone, the same every time.
void relief(const std::vector<float>& points, std::vector<float>& heights) {
    for (size_t k = 0; k < heights.size(); ++k) heights[k] = std::sin(points[2 * k]) + std::cos(0.3f * points[2 * k + 1]);
}

// The same seed, inputs and ground answers give the same flight, bit for bit, however the
// time arrives; the next day's daily course is another flight.
TEST(FlightReplay, SixtySecondsReplayExactlyInAnySlicingOfTheTime) {
    const Ground ground = relief;
    auto fly = [&ground](uint32_t seed, uint32_t sliceMs) {
        GameState s;
        s.start(seed, FlightRules{});
        StepClock clock;
        for (uint32_t ms = 0; ms < 60000; ms += sliceMs) {
            clock.add(sliceMs);
            while (clock.takeStep(s.rules.stepMs)) {
                step(s, hands(s.stepCount), ground);
            }
        }
        EXPECT_EQ(s.stepCount, 11999) << sliceMs << " ms slices";
        EXPECT_GT(s.world.getActiveObjects().size(), 1u);
        return s.checksum();
    };
    const uint32_t today = daily::dailySeed(2026, 12, 8);
    const uint64_t reference = fly(today, 16);
    EXPECT_EQ(fly(today, 1), reference);
    EXPECT_EQ(fly(today, 250), reference);
    EXPECT_NE(fly(daily::dailySeed(2026, 12, 9), 16), reference);
}

// A recorded flight, kept as a file among the player's replays, read back and played again
// (another loop, no clock: the step depends on nothing but its inputs and answers) ends where
// it ended, bit for bit; the latest ten and each grade's best are kept; a damaged,
// truncated, foreign or newer file is refused in words.
TEST(FlightReplay, AKeptFlightPlaysBackExactlyAndBadFilesAreRefused) {
    const std::string dir = harness::makeTempDir("lumivex-replays");
    auto record = [&dir](long steps, Grade grade = Grade::Normal) {
        int reached = 1;
        GameState s;
        s.start(42, FlightRules{});
        replay::Recorder recorder;
        recorder.start(s.seed, s.rules, grade);
        const Ground grid = relief;
        // As the game does, the answers go to 1/64 units; every other one keeps its own bits.
        const Ground ground = [&](const std::vector<float>& p, std::vector<float>& h) {
            grid(p, h);
            if (s.stepCount % 2) replay::quantise(h);
            recorder.ground(p, h);
        };
        s.world.updateHeights(ground);  // as the game puts the ship on the ground before the first step
        for (long n = 0; !s.over; ++n) {
            Input in = hands(n);
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
    // Played from the file the flight ends where it ended, with the file's ghost beside it or
    // without; the ghost ends there too, then fades. With one input left out the flight comes
    // out otherwise, and says so.
    auto play = [&read](long leftOut, Ghost* ghost) {
        replay::Player player(read);
        GameState again;
        again.start(player.header().seed, player.header().rules);
        const Ground recorded = [&](const std::vector<float>& p, std::vector<float>& h) { player.ground(p, h); };
        again.world.updateHeights(recorded);
        if (ghost) ghost->start(read);
        for (long n = 0; !player.finished() || (ghost && ghost->shown()); ++n) {
            step(again, n == leftOut ? Input() : player.next(), recorded);
            if (ghost) ghost->step();
        }
        return player.verify(again);
    };
    Ghost ghost;
    EXPECT_EQ(play(-1, &ghost), "");
    EXPECT_TRUE(ghost.flight().checksum() == read.header.checksum && !ghost.shown() && !ghost.astray());
    EXPECT_NE(play(100, nullptr), "");
    replay::Header old;  // a version 1 header ends before the date
    EXPECT_TRUE(replay::parseHeader(bytes.substr(0, 8) + '\1' + bytes.substr(9, 93), &old) && old.score == score);
    EXPECT_EQ(replay::list(dir).size(), 1u) << "the best, also among the latest, is one row";
    // Eleven short flights later, the last an Arcade one: the ten latest and each grade's best.
    for (int i = 0; i < 11; ++i) record(1, i == 10 ? Grade::Arcade : Grade::Normal);
    const std::vector<replay::Entry> kept = replay::list(dir);
    ASSERT_EQ(kept.size(), 11u);
    EXPECT_TRUE(kept[0].best && kept[0].header.score == score);
    EXPECT_TRUE(kept[1].best && kept[1].header.grade == static_cast<uint8_t>(Grade::Arcade) && kept[2].header.score == 0);

    std::string newer = bytes, flipped = bytes, graded = bytes;
    newer[8] = replay::kVersion + 1;
    graded[21] = 3;
    flipped[bytes.size() / 2] ^= 0x10;
    const struct { std::string bytes, reason; } bad[] = {
        {flipped, "damaged"}, {bytes.substr(0, bytes.size() - 9), "cut short"}, {bytes.substr(0, 30), "cut short"},
        {"0;nobody\n", "not a Lumivex replay"}, {newer, "newer version"}, {graded, "grade"}};
    for (const auto& b : bad) {
        harness::writeFileText(dir + "/bad.lvr", b.bytes);
        EXPECT_FALSE(replay::load(dir + "/bad.lvr", &read, &why));
        EXPECT_NE(why.find(b.reason), std::string::npos) << why;
    }
    harness::removeTree(dir);
}

// The autopilot for a ship at x, a star and a rock at x some way ahead (negative: behind, where
// they no longer count), on the ground or in a jump: the arrow it holds (-1 left, 1 right, 2
// either) and whether it jumps.
TEST_F(Flight, TheAutopilotDodgesAsteroidsHeadsForStarsAndJumpsWhatItCannotPass) {
    const struct { float shipX, starX, starAhead, rockX, rockAhead; bool inJump; int arrow; bool jump; const char* why; } cases[] = {
        {0, 0, -5, 0, -5, false, 0, false, "nothing ahead, in the middle: straight on"},
        {1.5f, 0, -5, 0, -5, false, -1, false, "back to the middle"},
        {0, 2, 6, 0, -5, false, 1, false, "towards the star"},
        {0, -2, 6, 0, -5, false, -1, false, "towards the star"},
        {0, -2, -1, 0, -5, false, 0, false, "a star behind is let go"},
        {0, -2, -1, 0.1f, 4, false, -1, false, "round the side the rock is already on"},
        {0, -2, -1, -0.1f, 4, false, 1, false, "far enough to steer round"},
        {0, -2, -1, 0, 0.8f, false, 2, true, "too close: over it"},
        {0, -2, -1, 0, 0.8f, true, 2, false, "not again while in the air"},
        {-0.5f, -1, 7, -1, 3, false, 1, false, "the star's line is blocked: beside the rock, nearer the ship"},
    };
    const float z = s.ship->getPosition().z;
    GameObject* star = put(new PowerUp(), 0, z);
    GameObject* rock = put(new Asteroid(1.5f, s.random), 0, z);
    for (const auto& c : cases) {
        s.ship->setPosition(c.shipX, 0.2f, z);
        s.ship->setMotionState(c.inJump ? Jumping : OnGround);
        put(star, c.starX, z - c.starAhead, 0);
        put(rock, c.rockX, z - c.rockAhead, 0);
        const Input in = demo::autopilot(s);
        const int arrow = in.has(Input::Left) ? -1 : in.has(Input::Right) ? 1 : 0;
        EXPECT_TRUE((c.arrow == 2 || arrow == c.arrow) && in.has(Input::Jump) == c.jump) << c.why << ": " << arrow;
    }
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

    EXPECT_TRUE(!demo::due(1000, 20999) && demo::due(1000, 21000));
    EXPECT_TRUE(demo::due(0xFFFFF000u, 0xFFFFF000u + 20000u) && !demo::due(0xFFFFF000u, 100u)) << "across the clock's wrap";
}

}  // namespace
