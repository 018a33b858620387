// The grade as the player meets it: G on the title (and on the high-score screen, which then
// shows that grade's table), and the small plate that names it.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include "core/Game.h"
#include "highscore/TextCard.h"

void Game::cycleGrade() {
    const Settings before = settings;
    settings.grade = nextGrade(settings.grade, 1);
    applySettings(before);
    if (state == Highscore) {
        tableGrade = settings.grade;
        reloadHighscoreImage();
    }
    glutPostRedisplay();
}

void Game::drawGradeNote() {
    using namespace cardcolour;
    // The title: the grade the next flight is played at, over the sea above the keys' panel and
    // clear of the gamepad's line.
    // The table: whose it is, in the corner the music note leaves free.
    const bool title = state == Title;
    const std::string line = std::string(title ? "Grade: " : "Table: ") + gradeName(title ? settings.grade : tableGrade) + " (G)";
    TextCard card(200, 36);
    card.panel(2, 2, 198, 34, kPanel, kBorder);
    card.text(line, 100, 24, 13, kBody, TextCard::Centre);
    drawCard(gradeCard, card, title ? 540 : 12, title ? 366 : 12, 200, 36);
}
