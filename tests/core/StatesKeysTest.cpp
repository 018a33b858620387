#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CoreTestSupport.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "objects/Spaceship.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"
#include "support/GlHarness.h"

using coretest::CoreTest;

namespace {

void type(const std::string& keys) {
    for (char c : keys) Game::instance().keyboard(static_cast<unsigned char>(c), 0, 0);
}

bool musicPaused() {
    bool paused = false;
    Game::instance().musicChannel->getPaused(&paused);
    return paused;
}

int bulletsInWorld() {
    int n = 0;
    for (GameObject* o : Game::instance().getWorld().getActiveObjects())
        if (dynamic_cast<Bullet*>(o)) ++n;
    return n;
}

}  // namespace

TEST_F(CoreTest, TitleCreditsAndBackKeys) {
    EXPECT_EQ(game().state, Title);
    type("b");
    EXPECT_EQ(game().state, Title) << "b does nothing on the title";
    type("C");
    EXPECT_EQ(game().state, Title) << "keys compare the exact character";
    type("c");
    EXPECT_EQ(game().state, Credits);
    type("c");
    type("s");
    type("m");
    EXPECT_EQ(game().state, Credits) << "c, s and m do not leave the credits";
    game().special(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(game().state, Credits);
    type("B");
    EXPECT_EQ(game().state, Credits);
    type("b");
    EXPECT_EQ(game().state, Title);
}

TEST_F(CoreTest, MusicKeyReturnsToTitleAndTogglesThePause) {
    ASSERT_NE(game().musicChannel, nullptr);
    const bool before = musicPaused();
    game().state = Highscore;
    type("m");
    EXPECT_EQ(game().state, Title);
    EXPECT_NE(musicPaused(), before);
    type("m");
    EXPECT_EQ(game().state, Title);
    EXPECT_EQ(musicPaused(), before);
    type("M");
    EXPECT_EQ(musicPaused(), before);
}

TEST_F(CoreTest, SStartsAGameOnlyFromTitleOrHighscore) {
    testclock::enable(4242);
    game().currentEffectGroup = coretest::groupNamed("Toon Shader");
    game().scoreMultiplier = 7;
    game().score = 99;
    type("S");
    EXPECT_EQ(game().state, Title);
    type("s");
    ASSERT_EQ(game().state, Playing);
    coretest::noSpawns();
    Spaceship* ship = game().getShip();
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(game().currentEffectGroup, game().getConfig().firstEffectGroup);
    EXPECT_EQ(game().score, 0);
    EXPECT_EQ(game().scoreMultiplier, 1);
    EXPECT_EQ(game().lastFrameTime, 4242u);
    EXPECT_FLOAT_EQ(ship->getRotation().y, 90.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().y, -90.0f);
    EXPECT_FLOAT_EQ(ship->getPosition().z, -1.25f);
    const auto& active = game().getWorld().getActiveObjects();
    ASSERT_EQ(active.size(), 1u);
    EXPECT_EQ(active[0], ship);
    EXPECT_FLOAT_EQ(game().getTopDownCamera().getEye().y, 5.0f);
    EXPECT_FLOAT_EQ(game().getChaseCamera().getEye().y, 1.4f);

    // "s" during the game does nothing: same ship, same place.
    game().getShip()->setPosition(1, 2, 3);
    type("s");
    game().special(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(game().getShip(), ship);
    EXPECT_FLOAT_EQ(ship->getPosition().x, 1.0f);
    EXPECT_EQ(game().state, Playing);

    // Insert on the high-score screen starts a new one; held arrows are forgotten.
    game().leftHeld = true;
    game().state = Highscore;
    game().special(GLUT_KEY_INSERT, 0, 0);
    EXPECT_EQ(game().state, Playing);
    EXPECT_NE(game().getShip(), nullptr);
    EXPECT_FALSE(game().leftHeld);
    EXPECT_EQ(game().getWorld().getActiveObjects().size(), 1u);
}

TEST_F(CoreTest, SpaceFiresOnlyWithBulletsLeft) {
    coretest::startGame();
    game().effectsChannel = nullptr;
    game().bulletCount = 0;
    type(" ");
    EXPECT_EQ(game().bulletCount, 0);
    EXPECT_EQ(bulletsInWorld(), 0);
    EXPECT_EQ(game().effectsChannel, nullptr) << "no sound without a bullet";

    game().addBullets(3);
    type(" ");
    EXPECT_EQ(game().bulletCount, 2);
    ASSERT_EQ(bulletsInWorld(), 1);
    EXPECT_NE(game().effectsChannel, nullptr) << "the fire sound plays on the effects channel";
    const float3 shipPos = game().getShip()->getPosition();
    GameObject* bullet = game().getWorld().getActiveObjects().back();
    EXPECT_FLOAT_EQ(bullet->getPosition().x, shipPos.x);
    EXPECT_FLOAT_EQ(bullet->getPosition().z, shipPos.z - 0.3f);
    EXPECT_FLOAT_EQ(bullet->getVelocity().z, -0.01f);

    // The second shot takes over the first one's channel.
    audio::Channel* first = game().effectsChannel;
    game().special(GLUT_KEY_F7, 0, 0);
    EXPECT_EQ(game().bulletCount, 1);
    EXPECT_EQ(bulletsInWorld(), 2);
    EXPECT_EQ(game().effectsChannel, first);
}

TEST_F(CoreTest, AHitInALaterGroupStepsBackAndKeepsPlaying) {
    coretest::startGame();
    game().nextEffectGroup();
    game().nextEffectGroup();
    game().nextEffectGroup();
    EXPECT_EQ(game().scoreMultiplier, 4);
    EXPECT_STREQ(game().currentEffectGroup->getName(), "Phong Shader + SSAO");
    game().score = 1234;
    game().bulletCount = 2;
    game().special(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(game().state, Playing);
    EXPECT_STREQ(game().currentEffectGroup->getName(), "SSAO only");
    EXPECT_EQ(game().scoreMultiplier, 3);
    EXPECT_EQ(game().score, 1234);
    EXPECT_EQ(game().bulletCount, 2) << "F2 does not take the bullets";
}

TEST_F(CoreTest, AHitInTheFirstGroupWithNoScoreGoesStraightToTheTable) {
    coretest::startGame();
    game().highscoreRank = -5;
    game().onShipHit();
    EXPECT_EQ(game().state, Highscore);
    EXPECT_EQ(game().highscoreRank, -5) << "no rank without a score";
    EXPECT_EQ(game().currentEffectGroup, game().getConfig().firstEffectGroup);
}

TEST_F(CoreTest, AHitInTheFirstGroupWithAScoreAsksForTheName) {
    harness::writeFileText("highscore.txt", "500;Ada\n300;Bob\n100;Cyd\n");
    coretest::startGame();
    game().score = 300;
    game().special(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(game().state, EnterName);
    EXPECT_EQ(game().highscoreRank, 2);

    game().score = 501;
    game().state = Playing;
    game().onShipHit();
    EXPECT_EQ(game().highscoreRank, 1);
    std::remove("highscore.txt");
}

TEST_F(CoreTest, AStarInTheLastGroupChangesNothing) {
    coretest::startGame();
    const int n = coretest::groupCount();
    ASSERT_EQ(n, 11);
    for (int i = 1; i < n - 1; ++i) {
        game().special(GLUT_KEY_F3, 0, 0);
        EXPECT_FALSE(game().getShip()->finalGroupReached) << "group " << i + 1;
    }
    game().special(GLUT_KEY_F3, 0, 0);
    EXPECT_STREQ(game().currentEffectGroup->getName(), "Sunny Shader");
    EXPECT_EQ(game().scoreMultiplier, 11);
    EXPECT_TRUE(game().getShip()->finalGroupReached);
    game().nextEffectGroup();
    EXPECT_STREQ(game().currentEffectGroup->getName(), "Sunny Shader");
    EXPECT_EQ(game().scoreMultiplier, 11);
    EXPECT_TRUE(game().getShip()->finalGroupReached);
}

TEST_F(CoreTest, TypingANameTakesQMAndSpaceAsLetters) {
    coretest::startGame();
    game().bulletCount = 1;
    game().score = 700;
    game().state = EnterName;
    const bool paused = musicPaused();
    type("q m_-Z9!;.");
    EXPECT_EQ(game().getHighscoreTable().getName(), "q m_-Z9");
    EXPECT_EQ(game().state, EnterName);
    EXPECT_EQ(musicPaused(), paused) << "m is a letter here";
    EXPECT_EQ(game().bulletCount, 1) << "space is a letter here";
    game().special(GLUT_KEY_F3, 0, 0);
    game().special(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(game().state, EnterName) << "no special key acts during name entry";
}

TEST_F(CoreTest, BackspaceAndEnterOnAnEmptyName) {
    game().state = EnterName;
    type("\b\b");
    EXPECT_EQ(game().getHighscoreTable().getName(), "");
    type("\r");
    EXPECT_EQ(game().state, EnterName);
    type("Al\bnn\b");
    EXPECT_EQ(game().getHighscoreTable().getName(), "An");
}

TEST_F(CoreTest, ANameIsBoundedAndItsLineIsDrawn) {
    game().state = EnterName;
    type(std::string(30, 'x'));
    EXPECT_EQ(game().getHighscoreTable().getName(), std::string(20, 'x'));
    game().score = 123456789;
    game().display();
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(CoreTest, EnterWithANameSavesTheEntryAndShowsTheTable) {
    std::remove("highscore.txt");
    std::remove("Textures/highscore.png");
    coretest::startGame();
    game().score = 120;
    game().onShipHit();
    ASSERT_EQ(game().state, EnterName);
    EXPECT_EQ(game().highscoreRank, 1);
    type("Ann\r");
    EXPECT_EQ(game().state, Highscore);
    EXPECT_EQ(harness::readFileText("highscore.txt"), "120;Ann\n");
    EXPECT_NE(game().highscoreTexture, nullptr) << "the new picture is shown";
    EXPECT_EQ(game().getHighscoreTable().getName(), "");
    std::remove("highscore.txt");
}

TEST_F(CoreTest, ArrowReleasesOutsideTheGameAreIgnored) {
    coretest::startGame();
    game().special(GLUT_KEY_LEFT, 0, 0);
    game().state = Highscore;
    game().specialUp(GLUT_KEY_LEFT, 0, 0);
    EXPECT_TRUE(game().leftHeld);
    game().state = Credits;
    game().special(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_FALSE(game().rightHeld);
}

TEST_F(CoreTest, DownArrowSinksOnlyInTheAir) {
    coretest::startGame();
    game().special(GLUT_KEY_DOWN, 0, 0);
    EXPECT_FLOAT_EQ(game().getShip()->getVelocity().y, 0.0f);
    game().special(GLUT_KEY_UP, 0, 0);
    game().special(GLUT_KEY_UP, 0, 0);  // no second jump while jumping
    EXPECT_NEAR(game().getShip()->getVelocity().y, 0.00525f, 1e-7);
    game().special(GLUT_KEY_DOWN, 0, 0);
    EXPECT_NEAR(game().getShip()->getVelocity().y, 0.00225f, 1e-7);
}

TEST_F(CoreTest, DebugKeysSpawnObjects) {
    coretest::startGame();
    const size_t before = game().getWorld().getActiveObjects().size();
    game().special(GLUT_KEY_F1, 0, 0);
    game().special(GLUT_KEY_F4, 0, 0);
    game().special(GLUT_KEY_F8, 0, 0);
    const auto& active = game().getWorld().getActiveObjects();
    ASSERT_EQ(active.size(), before + 3);
    EXPECT_NE(dynamic_cast<Asteroid*>(active[before]), nullptr);
    EXPECT_NE(dynamic_cast<PowerUp*>(active[before + 1]), nullptr);
    EXPECT_NE(dynamic_cast<BulletPowerUp*>(active[before + 2]), nullptr);
    EXPECT_TRUE(game().getWorld().getHintedObjects().empty()) << "debug spawns carry no hint";
}

TEST_F(CoreTest, SignsArePlacedOnceEachSwarmSignFirst) {
    coretest::startGame();
    game().currentEffectGroup = coretest::groupNamed("Toon Shader");
    game().score = 4750;
    game().display();
    EXPECT_FALSE(game().firstSignShown) << "4750 is not above the mark";
    game().score = 15000;  // past both marks in one jump
    game().display();
    EXPECT_TRUE(game().firstSignShown);
    EXPECT_FALSE(game().secondSignShown);
    const float shipZ = game().getShip()->getPosition().z;
    EXPECT_FLOAT_EQ(game().getWorld().signPosition.x, -6.0f);
    EXPECT_FLOAT_EQ(game().getWorld().signPosition.z, shipZ - 30.0f);

    game().getShip()->movePosition(0, 0, -2);
    game().display();
    EXPECT_TRUE(game().secondSignShown);
    EXPECT_FLOAT_EQ(game().getWorld().signPosition.z, shipZ - 32.0f);

    game().getShip()->movePosition(0, 0, -2);
    game().display();
    EXPECT_FLOAT_EQ(game().getWorld().signPosition.z, shipZ - 32.0f) << "each sign is placed once";
    EXPECT_EQ(harness::glErrors(), "");
}

using CoreDeathTest = CoreTest;

TEST_F(CoreDeathTest, EscapeQuitsEvenDuringNameEntry) {
    game().state = EnterName;
    EXPECT_EXIT(game().keyboard(27, 0, 0), testing::ExitedWithCode(0), "");
}

TEST_F(CoreDeathTest, QQuitsFromTheTitle) { EXPECT_EXIT(type("q"), testing::ExitedWithCode(0), ""); }

TEST_F(CoreDeathTest, F12QuitsDuringTheGame) {
    coretest::startGame();
    EXPECT_EXIT(game().special(GLUT_KEY_F12, 0, 0), testing::ExitedWithCode(0), "");
}
