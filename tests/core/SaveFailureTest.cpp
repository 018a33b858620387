// A save that fails is told on the high-score screen, in one red line above the table.
#include <sys/stat.h>
#include <unistd.h>

#include "CoreTest.h"

namespace {

int redPixelsAboveTheTable(Game& game) {
    game.display();
    glReadBuffer(GL_BACK);
    const std::vector<unsigned char> p = harness::readPixels(190, 380, 420, 30);  // 190 to 220 from the top
    int red = 0;
    for (size_t i = 0; i < p.size(); i += 4) red += p[i] > 200 && p[i + 1] < 60 && p[i + 2] < 60;
    return red;
}

TEST_F(CoreTest, AFailedSaveIsToldOnTheHighscoreScreenUntilTheNextGameEnds) {
    ASSERT_EQ(mkdir("highscore.txt", 0755), 0);  // a folder where the table belongs
    startGame();
    game.session.score = 100;
    game.onShipHit();
    type("Ann\r");
    rmdir("highscore.txt");
    EXPECT_EQ(game.state, Highscore);
    EXPECT_EQ(game.highscoreSaveFailure, "Your score could not be saved: not a regular file");
    EXPECT_GT(redPixelsAboveTheTable(game), 300);
    startGame();
    game.onShipHit();  // no score: straight to the high-score screen
    EXPECT_EQ(game.highscoreSaveFailure, "");
    EXPECT_EQ(redPixelsAboveTheTable(game), 0);
}

}  // namespace
