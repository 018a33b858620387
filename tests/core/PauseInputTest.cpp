// Pause, volumes, the gamepad, rebound keys and the picture in a window that is not 4:3, on
// the shared game.
#include "core/CoreTest.h"

namespace {

float volumeOf(audio::Channel* channel) {
    float v = -1;
    if (channel) channel->getVolume(&v);
    return v;
}

bool isPaused(audio::Channel* channel) {
    bool p = false;
    if (channel) channel->getPaused(&p);
    return p;
}

struct InputTest : CoreTest {
    void SetUp() override {
        CoreTest::SetUp();
        game.settings = Settings();
        game.applyVolumes();
        game.paused = false;
    }
    void TearDown() override {
        game.resume();
        game.settings = Settings();
        game.applyVolumes();
        game.state = Title;
        testclock::disable();
    }
    // Runs the game's idle after ms on the manual clock.
    void after(uint32_t ms) {
        now += ms;
        testclock::set(now);
        game.idle();
    }
    uint32_t now = 100000;
};

TEST_F(InputTest, PauseStopsTheClockAndTheSoundAndResumesWithoutAJump) {
    startGame(now);
    ASSERT_NE(game.musicChannel, nullptr);
    after(100);
    const float z0 = game.getShip()->getPosition().z;
    type("p");
    ASSERT_TRUE(game.paused);
    EXPECT_TRUE(isPaused(game.musicChannel)) << "the music holds";
    after(5000);
    after(5000);
    EXPECT_EQ(game.getShip()->getPosition().z, z0) << "nothing moves while paused";
    game.special(GLUT_KEY_F2, 0, 0);
    EXPECT_EQ(game.getCurrentEffectGroup(), groupAt(0)) << "test keys do nothing while paused";
    EXPECT_EQ(game.state, Playing);

    type("p");
    EXPECT_FALSE(game.paused);
    EXPECT_FALSE(isPaused(game.musicChannel));
    after(50);
    // 50 ms of flight at the start speed, not the ten seconds that passed.
    const float moved = z0 - game.getShip()->getPosition().z;
    EXPECT_GT(moved, 0.0f);
    EXPECT_LT(moved, 0.005f * 60);
}

TEST_F(InputTest, MusicPausedWithMStaysPausedAfterThePause) {
    startGame(now);
    type("m");
    ASSERT_TRUE(isPaused(game.musicChannel));
    game.pause();
    game.resume();
    EXPECT_TRUE(isPaused(game.musicChannel)) << "the pause gives back only what it held";
    type("m");
    EXPECT_FALSE(isPaused(game.musicChannel));
}

TEST_F(InputTest, HidingTheWindowPausesTheFlightButNotTheTitle) {
    game.windowStatus(GLUT_HIDDEN);
    EXPECT_FALSE(game.paused) << "nothing to pause on the title";
    startGame(now);
    game.windowStatus(GLUT_VISIBLE);
    EXPECT_FALSE(game.paused);
    game.windowStatus(GLUT_HIDDEN);
    EXPECT_TRUE(game.paused);
    game.windowStatus(GLUT_VISIBLE);
    EXPECT_TRUE(game.paused) << "the player resumes, not the window manager";
}

TEST_F(InputTest, VolumeKeysSetTheLevelsTheSoundLayerReports) {
    ASSERT_NE(game.musicChannel, nullptr);
    EXPECT_FLOAT_EQ(volumeOf(game.musicChannel), 0.4f);
    type("-");
    EXPECT_FLOAT_EQ(volumeOf(game.musicChannel), 0.3f);
    type("==+");
    EXPECT_FLOAT_EQ(volumeOf(game.musicChannel), 0.6f);
    EXPECT_NE(game.volumeText.find("Music volume 6"), std::string::npos) << game.volumeText;
    type("0");
    EXPECT_FLOAT_EQ(volumeOf(game.musicChannel), 0.0f) << "mute";
    type("0");
    EXPECT_FLOAT_EQ(volumeOf(game.musicChannel), 0.6f);

    // An effect plays at the effects level.
    type("[[[");
    startGame(now);  // the start's beam sound
    EXPECT_FLOAT_EQ(volumeOf(game.effectsChannel), 0.7f);
    EXPECT_FLOAT_EQ(volumeOf(game.musicChannel), 0.6f) << "the music keeps its own level";
    type("]]]]]]");
    EXPECT_EQ(game.settings.effectsVolume, kMaxVolume) << "no higher than the top";
}

TEST_F(InputTest, GamepadSteersJumpsFiresAndStartsAndPauses) {
    game.joystick(0x80, 0, 0, 0);  // Start, button 8
    ASSERT_EQ(game.state, Playing) << "Start on the title starts a game";
    EXPECT_TRUE(game.gamepadPresent);
    game.joystick(0, 0, 0, 0);
    game.getWorld().setSpawnPressure(-1000000000);

    game.joystick(0, -900, 0, 0);
    EXPECT_TRUE(game.session.leftHeld);
    EXPECT_FALSE(game.session.rightHeld);
    game.joystick(0, 900, 0, 0);
    EXPECT_FALSE(game.session.leftHeld);
    EXPECT_TRUE(game.session.rightHeld);
    game.joystick(0, 0, 0, 0);
    EXPECT_FALSE(game.session.rightHeld);

    game.bulletCount = 2;
    game.joystick(0x2, 0, 0, 0);  // button 2 fires
    game.joystick(0x2, 0, 0, 0);  // held: once
    EXPECT_EQ(game.bulletCount, 1);
    game.getShip()->setMotionState(OnGround);
    game.joystick(0x1, 0, 0, 0);  // button 1 jumps
    EXPECT_EQ(game.getShip()->getMotionState(), Jumping);

    game.joystick(0x80, 0, 0, 0);
    EXPECT_TRUE(game.paused);
    game.joystick(0, -900, 0, 0);
    EXPECT_FALSE(game.session.leftHeld) << "the stick does not steer a paused ship";
    game.joystick(0x80, 0, 0, 0);
    EXPECT_FALSE(game.paused);
}

TEST_F(InputTest, AKeyReboundOnTheSettingsScreenFiresAndTheOldOneNoLonger) {
    type("o");
    ASSERT_EQ(game.state, SettingsScreen);
    for (int i = 0; i < SettingsMenu::kFirstKeyRow + static_cast<int>(Action::Fire); ++i)
        game.special(GLUT_KEY_DOWN, 0, 0);
    type("\r");
    ASSERT_TRUE(game.settingsMenu.waitingForKey());
    type("F");  // Shift does not matter
    EXPECT_EQ(game.settings.key(Action::Fire), 'f');
    type("b");
    ASSERT_EQ(game.state, Title);

    startGame(now);
    game.bulletCount = 3;
    type(" ");
    EXPECT_EQ(game.bulletCount, 3) << "Space fires no more";
    type("f");
    EXPECT_EQ(game.bulletCount, 2);
    game.special(GLUT_KEY_F7, 0, 0);
    EXPECT_EQ(game.bulletCount, 1) << "F7 still fires";
}

TEST_F(InputTest, ACharacterKeyCanSteerAndItsReleaseStops) {
    ASSERT_TRUE(bindKey(game.settings, Action::Left, 'a'));
    startGame(now);
    type("a");
    EXPECT_TRUE(game.session.leftHeld);
    game.keyboardUp('a', 0, 0);
    EXPECT_FALSE(game.session.leftHeld);
    game.special(GLUT_KEY_LEFT, 0, 0);
    EXPECT_FALSE(game.session.leftHeld) << "the arrow steers no more";
}

TEST_F(InputTest, AWideWindowShowsThePictureBetweenBlackBars) {
    // The harness window is 800 x 600; the game is told it is 800 x 400.
    game.reshape(800, 400);
    EXPECT_EQ(game.picture, (PictureRect{133, 0, 533, 400}));
    game.state = Title;
    game.display();
    glFinish();
    glReadBuffer(GL_BACK);
    EXPECT_TRUE(near(colourAt(60, 200), Rgb{0, 0, 0})) << "left bar";
    EXPECT_TRUE(near(colourAt(740, 200), Rgb{0, 0, 0})) << "right bar";
    EXPECT_TRUE(near(colourAt(400, 200), gamefolder::titleColour())) << "the picture";
    EXPECT_TRUE(near(colourAt(140, 200), gamefolder::titleColour())) << "its left edge";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    game.reshape(800, 600);
    game.display();
    glFinish();
    EXPECT_TRUE(near(colourAt(60, 200), gamefolder::titleColour())) << "4:3 again: no bars";
}

}  // namespace
