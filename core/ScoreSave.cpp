#include <GL/glew.h>
#include <GL/freeglut.h>

#include "core/Game.h"
#include "highscore/HighscorePicture.h"
#include "platform/Clock.h"

void Game::saveScore() {
    if (dailyFlight) return saveDailyScore();
    const HighscoreStore store = highscoreStore(tableGrade);
    scoreSaver.begin(highscoreTable, store, HighscorePicture::pictureMaker(store), timeGetTime());
    highscoreSaveFailure = scoreSaver.playerMessage();
    reloadHighscoreImage();
}

void Game::pollScoreSave() {
    if (!scoreSaver.poll(timeGetTime())) return;
    highscoreSaveFailure = scoreSaver.playerMessage();
    // The new picture where it is shown; the next game over shows it anyway.
    if (state == Highscore) reloadHighscoreImage();
    glutPostRedisplay();
}
