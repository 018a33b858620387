// The Game as a player drives it: screens, flight keys, the end of a flight and the table,
// name entry, quitting, the clock, the attract mode, pause, volumes, the gamepad and bindings.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "CoreTest.h"
#include "core/StartupChecks.h"

namespace {

std::string startupOutput;
bool finished = false;

struct StartedGame : ::testing::Environment {
    void SetUp() override {
        static const std::string dir = gamefolder::make("lumivex-core");
        ASSERT_EQ(chdir(dir.c_str()), 0);
        // A key that quits by mistake would end the program with code 0 and pass for success;
        // death-test children (which make their own folder) are meant to exit.
        static const bool child = harness::readFileText("/proc/self/cmdline").find("internal_run_death_test") != std::string::npos;
        std::atexit([] {
            harness::removeTree(dir);
            if (!finished && !child) std::fputs("The game quit before the tests finished.\n", stderr), std::_Exit(3);
        });
        Game& game = Game::instance();
        game.setUseSettingsFile(false);
        game.initProjection();
        harness::captureStdout();
        game.initSound();
        game.initResources();
        game.loadFlightResources();
        startupOutput = harness::capturedStdout();
    }
    void TearDown() override { finished = true; }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new StartedGame), true);

// What a channel reports, or `none` without a channel.
template <typename T>
T ask(audio::Channel* channel, int (audio::Channel::*get)(T*), T none) {
    if (channel) (channel->*get)(&none);
    return none;
}
float volumeOf(audio::Channel* c) { return ask(c, &audio::Channel::getVolume, -1.0f); }
bool isHeld(audio::Channel* c) { return ask(c, &audio::Channel::getPaused, false); }
audio::Sound* playing(audio::Channel* c) { return ask<audio::Sound*>(c, &audio::Channel::getCurrentSound, nullptr); }

float shipX(const Game& game) { return game.flight().ship->getPosition().x; }

}  // namespace

// Every program of the styles, the terrain and the rims compiles and links, and has
// every uniform the game looks up: the start-up says nothing but its progress and the files.
TEST_F(CoreTest, StartUpWritesItsProgressInOrderAndNoProblem) {
    size_t at = 0;  // each line after the one before
    for (const char* line : {"Effect Groups setup START\n", "Shader debugging", "Effect Groups setup FINISHED\n",
                             "Textures Loaded\n"})
        EXPECT_NE(at = startupOutput.find(line, at), std::string::npos) << line << " missing or out of order";
    for (const char* file : {"ssao_blur.frag", "funky3d.frag", "rim.frag"})
        EXPECT_NE(startupOutput.find(std::string("Load Shader/") + file), std::string::npos) << file;
    for (const char* problem : {"Could", "SHADER PROGRAM INFO", "No active"})
        EXPECT_EQ(startupOutput.find(problem), std::string::npos) << startupOutput;
    EXPECT_EQ(game.getRenderer().getStyles().size(), static_cast<size_t>(kStyleCount));
    // The software rasteriser's threads (by the driver's names for them), a core each.
    EXPECT_TRUE(sysconf(_SC_NPROCESSORS_ONLN) < 2 || startupOutput.find("each on a core of its own") != std::string::npos);
}

// (C to the credits and B back: PlayTest.)
TEST_F(CoreTest, ScreenKeysMoveBetweenScreensAndMTogglesTheMusic) {
    type("ccsm");
    press(GLUT_KEY_INSERT);
    EXPECT_EQ(game.screen(), Credits) << "only b leaves the credits";
    type("bs");
    ASSERT_EQ(game.screen(), Playing);
    fly(100);
    const long steps = game.flight().stepCount;
    type("s");
    press(GLUT_KEY_INSERT);
    EXPECT_EQ(game.flight().stepCount, steps) << "s and Insert do nothing during a flight";
    crash();
    EXPECT_EQ(game.screen(), Highscore) << "no score, no name";
    EXPECT_GE(loadStatistics("stats.txt").flights, 1) << "but counted (what: StepRulesTest)";
    type("t");
    EXPECT_EQ(game.screen(), StatisticsScreen);
    type("t");
    EXPECT_EQ(game.screen(), Highscore) << "T goes back where it came from";
    press(GLUT_KEY_INSERT);
    EXPECT_EQ(game.screen(), Playing);
    EXPECT_EQ(game.flight().stepCount, 0);
    ASSERT_EQ(game.flight().world.getActiveObjects().size(), 1u) << "only the new ship";

    // "m" on the high-score screen returns to the title and toggles the music.
    crash();
    ASSERT_NE(game.audio().getMusicChannel(), nullptr);
    const bool before = game.audio().isMusicPaused();
    type("m");
    EXPECT_EQ(game.screen(), Title);
    EXPECT_NE(game.audio().isMusicPaused(), before);
    type("m");
    EXPECT_EQ(game.audio().isMusicPaused(), before);
    type("t\x1b");
    EXPECT_EQ(game.screen(), Title) << "Escape leaves the statistics, not the game";
}

// Keys reach the flight's step, and what it reports is heard and shown.
TEST_F(CoreTest, FlightKeysSteerJumpAndFireWithTheirSounds) {
    startFlight();
    fly(500);
    const float x = shipX(game);
    press(GLUT_KEY_LEFT, 300);
    release(GLUT_KEY_LEFT);
    EXPECT_LT(shipX(game), x - 0.5f);
    fly(300);
    EXPECT_EQ(game.flight().ship->getVelocity().x, 0.0f) << "released: the ship stops";

    press(GLUT_KEY_UP, 16);
    EXPECT_EQ(game.flight().ship->getMotionState(), Jumping);
    EXPECT_EQ(playing(game.audio().getEffectsChannel()), game.audio().effectSound(GameAudio::Jump));
    fly(2000);

    type(" ", 16);
    EXPECT_EQ(playing(game.audio().getEffectsChannel()), game.audio().effectSound(GameAudio::Jump)) << "an empty gun is silent";
    collectBullets();
    fly(16, 16, true);
    const int bullets = game.flight().bulletCount;
    for (int i = 0; i < bullets + 1; ++i) {  // the heads-up display's dot for each
        const int dot = static_cast<int>(std::lround((i * 0.05f - 0.12f + 1) * 400));
        EXPECT_EQ(near(colourAt(dot, 30, 1), Rgb{255, 222, 0}), i < bullets) << "dot " << i << " of " << bullets;
    }
    const int gold = pixelsWhere(0, 500, 400, 100, [](int r, int g, int b) { return r >= 240 && g >= 205 && g <= 235 && b <= 30; });
    EXPECT_GT(gold, 300) << "the score panel in its own gold, not in the dots' colour";
    type(" ", 16);
    EXPECT_EQ(game.flight().bulletCount, bullets - 1);
    EXPECT_EQ(playing(game.audio().getEffectsChannel()), game.audio().effectSound(GameAudio::Fire));
}

// Escape pauses a flight, and the pause panel's E ends it as a last hit would: its score goes
// on to the name entry, and the name typed into the table with that score, however long the
// name entry takes; until then nothing moves and nothing is written. (Ranks and the name's
// length: TableRulesTest.) The flight is kept as a replay, the best one.
TEST_F(CoreTest, AFlightEndedOnThePausePanelGoesToNameEntryAndTheNameIntoTheTable) {
    harness::removeTree("replays");
    const std::string table = harness::readFileText("highscore.txt");
    startFlight();
    const uint32_t seed = game.flight().seed;
    earnPoints();
    const int score = game.flight().score;
    type("\x1b");
    ASSERT_TRUE(game.isPaused());
    type("e");
    fly(2000, 100);
    ASSERT_EQ(game.screen(), EnterName);
    const uint64_t over = game.flight().checksum();
    fly(5000);
    EXPECT_EQ(game.flight().checksum(), over);
    EXPECT_EQ(game.flight().score, score);

    const bool music = game.audio().isMusicPaused();
    type("\b\r");
    EXPECT_EQ(game.screen(), EnterName) << "Enter on an empty name does nothing";
    type("q m_-Z9!;.x\b");
    EXPECT_EQ(game.getHighscoreTable().getName(), "q m_-Z9") << "q, m and space are letters here";
    EXPECT_EQ(game.audio().isMusicPaused(), music);
    EXPECT_EQ(harness::readFileText("highscore.txt"), table) << "nothing is written before the name is confirmed";
    type("\r");
    EXPECT_EQ(game.screen(), Highscore);
    EXPECT_NE(harness::readFileText("highscore.txt").find(std::to_string(score) + ";q m_-Z9\n"), std::string::npos);
    std::remove("highscore.txt");

    // The flight is kept: the attract mode shows it as the best, and R on the title lists it.
    toTitle();
    fly(21000, 1000, true);
    ASSERT_TRUE(game.isDemoRunning());
    EXPECT_EQ(game.flight().seed, seed) << "the best flight";
    type("xr\r");
    EXPECT_TRUE(game.isReplaying()) << "the list's first row played";
    type("\x1b");
    EXPECT_EQ(game.screen(), ReplaysScreen);
}

// A save that fails is told on the high-score screen, in one red line above the table.
TEST_F(CoreTest, AFailedSaveIsToldOnTheHighscoreScreenUntilTheNextFlightEnds) {
    auto redAboveTheTable = [this] {
        game.display();
        return pixelsWhere(190, 380, 420, 30, [](int r, int g, int b) { return r > 200 && g < 60 && b < 60; });
    };
    ASSERT_EQ(mkdir("highscore.txt", 0755), 0);  // a folder where the table belongs
    startFlight();
    earnPoints();
    crash();
    type("Ann\r");
    rmdir("highscore.txt");
    EXPECT_EQ(game.screen(), Highscore);
    EXPECT_EQ(game.getHighscoreSaveFailure(), "Your score could not be saved: not a regular file");
    EXPECT_GT(redAboveTheTable(), 300);
    startFlight();
    crash();
    EXPECT_EQ(game.getHighscoreSaveFailure(), "");
    EXPECT_EQ(redAboveTheTable(), 0);
}

using CoreDeathTest = CoreTest;

TEST_F(CoreDeathTest, QuitKeysExitWithZeroAndAMissingGlewStopsTheStart) {
    EXPECT_EXIT(type("q"), testing::ExitedWithCode(0), "");
    crash();
    EXPECT_EXIT(type("\x1b"), testing::ExitedWithCode(0), "");
    // In flight the quit keys pause; the pause panel's Q quits.
    startFlight();
    type("\x1b");
    ASSERT_TRUE(game.isPaused());
    EXPECT_EXIT(type("q"), testing::ExitedWithCode(0), "");
    // Without GLEW's entry points every later GL call would jump through a null pointer.
    requireGlew(GLEW_OK);  // returns quietly
    EXPECT_EXIT(requireGlew(GLEW_ERROR_NO_GL_VERSION), testing::ExitedWithCode(1),
                "Could not initialise GLEW: Missing GL version");
}

// The unsigned difference carries the clock across its wrap.
TEST_F(CoreTest, IdleTakesTheClockAcrossItsWrap) {
    testclock::enable(0xFFFFFFFCu);
    game.newGame(3);
    const float z = game.flight().chaseCamera.getEye().z;
    testclock::set(6);  // 10 ms later, across the wrap of the counter
    game.idle();
    EXPECT_EQ(game.flight().stepCount, 1);
    EXPECT_NEAR(game.flight().chaseCamera.getEye().z, z - 0.025f, 1e-6);
    now = 6;
}

// Attract mode: 20 idle seconds on the title start the seeded demo (no flight kept yet), which
// moves through the styles on its own schedule, flies on through hits and stars, never writes
// the table, and ends at any key (which does nothing else) or after the last style.
TEST_F(CoreTest, TwentyIdleSecondsOnTheTitleStartTheDemoAndAnyKeyEndsIt) {
    harness::removeTree("replays");
    const std::string table = harness::readFileText("highscore.txt");
    fly(19000, 1000, true);
    type("x");  // a key that does nothing on the title still counts as someone there
    fly(19000, 1000, true);
    EXPECT_EQ(game.screen(), Title);
    fly(1000, 1000, true);
    ASSERT_TRUE(game.isDemoRunning());
    EXPECT_EQ(game.flight().style, 0);

    // The demo's lines, white in the middle.
    EXPECT_GT(pixelsWhere(90, 130, 620, 130, [](int r, int g, int b) { return r == 255 && g == 255 && b == 255; }), 150)
        << "DEMO - press any key";

    fly(7000, 200);
    EXPECT_EQ(game.flight().style, 1) << "7 s: the second style";
    type("q");
    EXPECT_EQ(game.screen(), Title) << "q only ends the demo";
    press(GLUT_KEY_F3);  // on the title, a key without a meaning there
    EXPECT_EQ(game.screen(), Title);

    fly(21000, 1000, true);  // the title's first frame starts the wait
    ASSERT_TRUE(game.isDemoRunning());
    press(GLUT_KEY_LEFT);
    EXPECT_EQ(game.screen(), Title) << "a special key ends it too";

    fly(21000, 1000, true);
    int last = 0;  // the style when the demo ends
    for (int frame = 0; frame < 400 && game.isDemoRunning(); ++frame) last = game.flight().style, fly(200, 200);
    EXPECT_EQ(game.screen(), Title);
    EXPECT_EQ(last, kStyleCount - 1) << "over after the last style";
    EXPECT_EQ(harness::readFileText("highscore.txt"), table);
}

TEST_F(CoreTest, PauseStopsTheClockAndTheSoundAndResumesWithoutAJump) {
    startFlight();
    fly(100);
    const float z0 = game.flight().ship->getPosition().z;
    type("p");
    ASSERT_TRUE(game.isPaused());
    EXPECT_TRUE(isHeld(game.audio().getMusicChannel())) << "the music holds";
    game.display();
    EXPECT_TRUE(near(colourAt(200, 150), Rgb{28, 23, 42}, 20)) << "the dimmed frame and the panel of keys";
    fly(10000, 5000);
    EXPECT_EQ(game.flight().ship->getPosition().z, z0) << "nothing moves while paused";
    press(GLUT_KEY_F2);
    type("p");
    EXPECT_FALSE(game.isPaused());
    EXPECT_FALSE(isHeld(game.audio().getMusicChannel()));
    fly(50, 50);
    EXPECT_EQ(game.flight().style, 0) << "test keys do nothing while paused";
    // 50 ms of flight at the start speed, not the ten seconds that passed.
    const float moved = z0 - game.flight().ship->getPosition().z;
    EXPECT_TRUE(moved > 0.0f && moved < 0.005f * 60) << moved;

    // Music the player paused stays paused after a pause; a hidden window pauses the flight.
    type("m");
    ASSERT_TRUE(game.audio().isMusicPaused());
    game.windowStatus(GLUT_HIDDEN);
    EXPECT_TRUE(game.isPaused());
    game.windowStatus(GLUT_VISIBLE);
    EXPECT_TRUE(game.isPaused()) << "the player resumes, not the window manager";
    type("p");
    EXPECT_TRUE(game.audio().isMusicPaused()) << "the pause gives back only what it held";
    type("m");
    toTitle();
    game.windowStatus(GLUT_HIDDEN);
    EXPECT_FALSE(game.isPaused()) << "nothing to pause on the title";
}

TEST_F(CoreTest, VolumeKeysSetTheLevelsTheSoundLayerReports) {
    audio::Channel* music = game.audio().getMusicChannel();
    ASSERT_NE(music, nullptr);
    EXPECT_FLOAT_EQ(volumeOf(music), 0.4f);
    type("-");
    EXPECT_FLOAT_EQ(volumeOf(music), 0.3f);
    type("==+");
    EXPECT_FLOAT_EQ(volumeOf(music), 0.6f);
    EXPECT_NE(game.getVolumeText().find("Music volume 6"), std::string::npos) << game.getVolumeText();
    type("0");
    EXPECT_FLOAT_EQ(volumeOf(music), 0.0f) << "mute";
    type("0");
    EXPECT_FLOAT_EQ(volumeOf(music), 0.6f);

    type("[[[");
    startFlight();  // the start's beam sound
    EXPECT_FLOAT_EQ(volumeOf(game.audio().getEffectsChannel()), 0.7f);
    EXPECT_FLOAT_EQ(volumeOf(game.audio().getMusicChannel()), 0.6f) << "the music keeps its own level";
    type("]]]]]]");
    EXPECT_EQ(game.getSettings().effectsVolume, kMaxVolume) << "no higher than the top";
}

TEST_F(CoreTest, GamepadSteersJumpsFiresAndStartsAndPauses) {
    game.joystick(0x80, 0, 0, 0);  // Start, button 8
    ASSERT_EQ(game.screen(), Playing) << "Start on the title starts a flight";
    game.joystick(0, 0, 0, 0);
    game.newGame(5);  // the Start flight's seed is the clock's: a seeded field from here on
    collectBullets();
    const int bullets = game.flight().bulletCount;
    game.joystick(0, -900, 0, 0);
    fly(200);
    EXPECT_LT(game.flight().ship->getVelocity().x, 0.0f);
    game.joystick(0, 900, 0, 0);
    fly(200);
    EXPECT_GT(game.flight().ship->getVelocity().x, 0.0f);
    game.joystick(0, 0, 0, 0);
    game.joystick(0x2, 0, 0, 0);  // button 2 fires
    game.joystick(0x2, 0, 0, 0);  // held: once
    fly(50);
    EXPECT_EQ(game.flight().bulletCount, bullets - 1);
    game.joystick(0x1, 0, 0, 0);  // button 1 jumps
    fly(16);
    EXPECT_EQ(game.flight().ship->getMotionState(), Jumping);

    game.joystick(0x80, 0, 0, 0);
    EXPECT_TRUE(game.isPaused());
    game.joystick(0, -900, 0, 0);  // the stick does not steer a paused ship
    game.joystick(0x80, 0, 0, 0);
    EXPECT_FALSE(game.isPaused());
    fly(1000);
    EXPECT_EQ(game.flight().ship->getVelocity().x, 0.0f);
}

TEST_F(CoreTest, AKeyReboundOnTheSettingsScreenFiresAndTheOldOneNoLonger) {
    type("o");
    ASSERT_EQ(game.screen(), SettingsScreen);
    for (int i = 0; i < SettingsMenu::kFirstKeyRow + static_cast<int>(Action::Fire); ++i) press(GLUT_KEY_DOWN);
    type("\r");
    type("F");  // Shift does not matter
    EXPECT_EQ(game.getSettings().key(Action::Fire), 'f');
    type("b");
    ASSERT_EQ(game.screen(), Title);

    startFlight();
    collectBullets();
    const int bullets = game.flight().bulletCount;
    type(" ", 16);
    EXPECT_EQ(game.flight().bulletCount, bullets) << "Space fires no more";
    type("f", 16);
    press(GLUT_KEY_F7, 16);
    EXPECT_EQ(game.flight().bulletCount, bullets - 2) << "f fires, and F7 still does";

    // A character key can steer, and its release stops the ship.
    Settings settings;
    ASSERT_TRUE(bindKey(settings, Action::Left, 'a'));
    game.changeSettings(settings);
    type("a", 200);
    EXPECT_LT(game.flight().ship->getVelocity().x, 0.0f);
    game.keyboardUp('a', 0, 0);
    fly(300);
    press(GLUT_KEY_LEFT, 200);
    EXPECT_EQ(game.flight().ship->getVelocity().x, 0.0f) << "released, and the arrow steers no more";
}

// What a hit, a star and the end say on screen: the words in the middle (gold after a star, red
// after a hit and at the end), and the end stays on screen for a beat, which no key cuts short
// or pauses, before the table.
TEST_F(CoreTest, HitsStarsAndTheEndAreShownAndTheEndWaitsABeatBeforeTheTable) {
    auto middle = [this](bool red) {
        game.display();
        return pixelsWhere(200, 280, 400, 170, [red](int r, int g, int b) {
            return red ? r > 200 && g < 110 && b < 90 : r > 220 && g > 180 && b < 110;
        });
    };
    startFlight();
    fly(200, 16, true);
    const int gold = middle(false), red = middle(true);
    toStyle(2);
    EXPECT_GT(middle(false), gold + 400) << "+1 and the new multiplier, in gold";
    fly(2000, 100);
    press(GLUT_KEY_F2, 50);
    EXPECT_GT(middle(true), red + 300) << "-1 in red";
    fly(2000, 100);
    press(GLUT_KEY_F2), fly(20), press(GLUT_KEY_F2), fly(20);
    ASSERT_TRUE(game.flight().over);
    type("\x1b q");
    press(GLUT_KEY_F2);
    fly(1300, 100, true);
    EXPECT_EQ(game.screen(), Playing) << "the end stays on screen for a moment";
    EXPECT_FALSE(game.isPaused());
    EXPECT_GT(middle(true), red + 600) << "GAME OVER";
    fly(300, 100);
    EXPECT_EQ(game.screen(), Highscore);
}

// Before a player's first flight the rules are shown; a key then starts the flight.
TEST_F(CoreTest, TheRulesAreShownOnceBeforeTheFirstFlight) {
    game.changeSettings(Settings());
    type("s");
    ASSERT_EQ(game.screen(), Title);
    game.display();
    EXPECT_TRUE(near(colourAt(400, 300), Rgb{28, 24, 48}, 20)) << "the card over the dimmed title";
    type("x");
    EXPECT_EQ(game.screen(), Playing);
    EXPECT_TRUE(game.getSettings().howToPlaySeen);
    crash();
    type("s");
    EXPECT_EQ(game.screen(), Playing) << "once is enough";
}

// What brings a player back, as they meet it: a daily flight's name goes into the day's table
// (not the high-score table), and the next daily flight, the same course, has that run beside it
// as a ghost in lockstep; G sets the next flight's grade; the statistics and the replay list are
// drawn, and the list's first row plays.
TEST_F(CoreTest, TheDailyCourseItsGhostTheGradesTheStatisticsAndTheReplaysAsAPlayerMeetsThem) {
    type("d");
    ASSERT_EQ(game.screen(), Playing);
    const uint32_t course = game.flight().seed;
    earnPoints();
    crash();
    ASSERT_EQ(game.screen(), EnterName);
    type("Daisy\r");
    game.display();
    EXPECT_NE(harness::readFileText("daily.txt").find(" Daisy\n"), std::string::npos);
    EXPECT_EQ(harness::readFileText("highscore.txt").find("Daisy"), std::string::npos);
    type("md");
    EXPECT_EQ(game.flight().seed, course) << "one course a day";
    fly(300, 16, true);
    EXPECT_TRUE(game.getGhost().shown() && game.getGhost().flight().stepCount == game.flight().stepCount);
    crash();
    type("mg");
    EXPECT_EQ(game.getSettings().grade, Grade::Arcade);
    type("s");
    EXPECT_GT(game.flight().rules.maxSpeed, FlightRules{}.maxSpeed);
    crash();
    for (const char* keys : {"t", "\x1bmr"}) {
        type(keys);
        game.display();
    }
    EXPECT_GE(loadStatistics("stats.txt").flights, 3);
    ASSERT_EQ(game.screen(), ReplaysScreen);
    type("\r");
    EXPECT_TRUE(game.isReplaying());
}
