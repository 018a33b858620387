#include <set>

#include "CoreTest.h"

TEST_F(CoreTest, ScreenKeysMoveBetweenStatesAndMTogglesTheMusic) {
    type("bm");
    EXPECT_EQ(game.state, Title);
    type("c");
    EXPECT_EQ(game.state, Credits);
    type("csm");
    game.special(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(game.state, Credits) << "only b leaves the credits";
    type("b");
    EXPECT_EQ(game.state, Title);
    type("s");
    ASSERT_EQ(game.state, Playing);
    Spaceship* ship = game.getShip();
    type("s");
    game.special(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(game.getShip(), ship) << "s and Insert do nothing during a game";
    game.state = Highscore;
    game.special(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(game.state, Playing);
    // The old ship is deleted and out of the world: only the new one is left.
    ASSERT_EQ(game.getWorld().getActiveObjects().size(), 1u);
    EXPECT_EQ(game.getWorld().getActiveObjects()[0], game.getShip());

    // "m" on the high-score screen returns to the title and toggles the music.
    ASSERT_NE(game.musicChannel, nullptr);
    const bool before = musicPaused();
    game.state = Highscore;
    type("m");
    EXPECT_EQ(game.state, Title);
    EXPECT_NE(musicPaused(), before);
    type("m");
    EXPECT_EQ(musicPaused(), before);
}

TEST_F(CoreTest, SpaceFiresOnlyWithBulletsLeft) {
    startGame();
    for (int bullets : {0, 1}) {
        game.effectsChannel = nullptr;
        game.bulletCount = bullets;
        type(" ");
        EXPECT_EQ(game.bulletCount, 0);
        EXPECT_EQ(game.getWorld().getActiveObjects().size(), 1u + bullets);
        EXPECT_EQ(game.effectsChannel != nullptr, bullets == 1) << "the fire sound only with a bullet";
    }
}

TEST_F(CoreTest, HitsStepBackOrEndTheGame) {
    startGame();
    for (int i = 0; i < 3; ++i) game.nextEffectGroup();
    game.special(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(game.state, Playing);
    EXPECT_EQ(game.getCurrentEffectGroup(), groupAt(kSsaoOnly));
    EXPECT_EQ(game.session.scoreMultiplier, 3);

    startGame();
    game.onShipHit();
    EXPECT_EQ(game.state, Highscore) << "no score, no name";
    harness::writeFileText("highscore.txt", "500;Ada\n300;Bob\n100;Cyd\n");
    startGame();
    game.session.score = 300;
    game.onShipHit();
    EXPECT_EQ(game.state, EnterName);
    EXPECT_EQ(game.session.highscoreRank, 2) << "a new score ranks above an equal one";
    std::remove("highscore.txt");
}

TEST_F(CoreTest, AStarInTheLastGroupChangesNothing) {
    startGame();
    for (int i = 0; i < 9; ++i) game.special(GLUT_KEY_F3, 0, 0);
    EXPECT_FALSE(game.getShip()->finalGroupReached);
    for (int i = 0; i < 2; ++i) {
        game.special(GLUT_KEY_F3, 0, 0);
        EXPECT_EQ(game.getCurrentEffectGroup(), groupAt(kLastStyle));
        EXPECT_EQ(game.session.scoreMultiplier, 11);
        EXPECT_TRUE(game.getShip()->finalGroupReached);
    }
}

TEST_F(CoreTest, NameEntryTakesQMAndSpaceAsLettersUpToTwenty) {
    startGame();
    game.bulletCount = 1;
    game.state = EnterName;
    const bool paused = musicPaused();
    type("\b\r");
    EXPECT_EQ(game.getHighscoreTable().getName(), "");
    EXPECT_EQ(game.state, EnterName) << "Enter on an empty name does nothing";
    EXPECT_FALSE(gamefolder::exists("highscore.txt"));
    type("q m_-Z9!;.x\b");
    EXPECT_EQ(game.getHighscoreTable().getName(), "q m_-Z9");
    EXPECT_EQ(musicPaused(), paused);
    EXPECT_EQ(game.bulletCount, 1);
    type(std::string(30, 'x'));
    EXPECT_EQ(game.getHighscoreTable().getName(), "q m_-Z9" + std::string(13, 'x'));
}

// The step rules are tested on their own (SimulationRulesTest); here the Game's idle handler.
TEST_F(CoreTest, IdleTakesTheClockAcrossItsWrapAndDoesNothingOutsideTheGame) {
    startGame(0xFFFFFFFCu);
    const float z = game.getChaseCamera().getEye().z;
    testclock::set(6);  // 10 ms later, across the wrap of the counter
    game.idle();
    EXPECT_FLOAT_EQ(game.session.timeAccumulator, 5.0f);
    EXPECT_NEAR(game.getChaseCamera().getEye().z, z - 0.025f, 1e-6);
    EXPECT_EQ(game.session.lastFrameTime, 6u);

    for (int s : {Title, Credits, Highscore, EnterName}) {
        game.state = s;
        const float before = game.getChaseCamera().getEye().z, pending = game.session.timeAccumulator;
        testclock::advance(1000);
        game.idle();
        EXPECT_EQ(game.getChaseCamera().getEye().z, before) << "state " << s;
        EXPECT_EQ(game.session.timeAccumulator, pending);
    }
}

using CoreDeathTest = CoreTest;

TEST_F(CoreDeathTest, QuitKeysExitWithZero) {
    EXPECT_EXIT(type("q"), testing::ExitedWithCode(0), "");
    game.state = EnterName;
    EXPECT_EXIT(type("\x1b"), testing::ExitedWithCode(0), "");
    startGame();
    EXPECT_EXIT(game.special(GLUT_KEY_F12, 0, 0), testing::ExitedWithCode(0), "");
}

// Attract mode on the manual clock: 20 idle seconds on the title start the seeded demo, which
// moves through the styles on its own schedule, flies on through hits and stars, never writes
// the table, and ends at any key (which does nothing else) or after the last style.
TEST_F(CoreTest, TwentyIdleSecondsOnTheTitleStartTheDemoAndAnyKeyEndsIt) {
    const std::string table = harness::readFileText("highscore.txt");
    testclock::enable(50000);
    game.titleShown = false;
    game.display();  // the first title frame starts the idle time
    testclock::advance(19000);
    type("x");  // a key that does nothing on the title still counts as someone there
    testclock::advance(19000);
    game.display();
    EXPECT_EQ(game.state, Title);
    testclock::advance(1000);
    game.display();
    ASSERT_EQ(game.state, Playing);
    ASSERT_TRUE(game.demoRunning);
    EXPECT_EQ(game.getCurrentEffectGroup(), groupAt(0));

    // The demo line, white in the upper middle: the same frame with and without it.
    auto whiteInLine = [&] {
        game.display();
        glReadBuffer(GL_BACK);
        const std::vector<unsigned char> p = harness::readPixels(270, 495, 240, 40);
        int white = 0;
        for (size_t i = 0; i < p.size(); i += 4) white += p[i] == 255 && p[i + 1] == 255 && p[i + 2] == 255;
        return white;
    };
    const int withLine = whiteInLine();
    game.demoRunning = false;
    const int without = whiteInLine();
    game.demoRunning = true;
    EXPECT_GT(withLine, without + 150) << "DEMO - press any key";

    game.onShipHit();
    game.nextEffectGroup();
    EXPECT_EQ(game.state, Playing) << "a hit in the first style does not end the demo";
    EXPECT_EQ(game.getCurrentEffectGroup(), groupAt(0)) << "stars do not move the demo on";
    for (int frame = 0; frame < 35; ++frame) testclock::advance(200), game.idle();
    EXPECT_EQ(game.getCurrentEffectGroup(), groupAt(1)) << "7 s: the second style";

    type("q");
    EXPECT_EQ(game.state, Title) << "q only ends the demo";
    EXPECT_FALSE(game.demoRunning);
    game.special(GLUT_KEY_F3, 0, 0);  // on the title, a key without a meaning there
    EXPECT_EQ(game.state, Title);

    game.display();
    testclock::advance(20000);
    game.display();
    ASSERT_TRUE(game.demoRunning);
    game.special(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(game.state, Title) << "a special key ends it too";
    EXPECT_FALSE(game.session.leftHeld);

    game.display();
    testclock::advance(20000);
    game.display();
    std::set<EffectGroup*> shown;
    for (int frame = 0; frame < 400 && game.demoRunning; ++frame) {
        testclock::advance(200);
        game.idle();
        shown.insert(game.getCurrentEffectGroup());
    }
    EXPECT_EQ(game.state, Title) << "over after the last style";
    EXPECT_EQ(shown.size(), 11u);
    EXPECT_EQ(harness::readFileText("highscore.txt"), table);
}
