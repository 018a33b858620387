#include "CoreTest.h"

namespace {

float eyeZ() { return Game::instance().getChaseCamera().getEye().z; }

}  // namespace

// The step rules are tested on their own (SimulationRulesTest); here the Game's idle handler.
TEST_F(CoreTest, IdleTakesTheClockAcrossItsWrapAndDoesNothingOutsideTheGame) {
    startGame(0xFFFFFFFCu);
    const float z = eyeZ();
    testclock::set(6);  // 10 ms later, across the wrap of the counter
    game.idle();
    EXPECT_FLOAT_EQ(game.session.timeAccumulator, 5.0f);
    EXPECT_NEAR(eyeZ(), z - 0.025f, 1e-6);
    EXPECT_EQ(game.session.lastFrameTime, 6u);

    for (int s : {Title, Credits, Highscore, EnterName}) {
        game.state = s;
        const float before = eyeZ(), pending = game.session.timeAccumulator;
        testclock::advance(1000);
        game.idle();
        EXPECT_EQ(eyeZ(), before) << "state " << s;
        EXPECT_EQ(game.session.timeAccumulator, pending);
    }
}
