// The grade as the player meets it: G on the title (and on the high-score screen, which then
// shows that grade's table), and the plate that names the table shown.
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

// In the corner the music note leaves free.
void Game::drawGradeNote() {
    using namespace cardcolour;
    TextCard card(200, 36);
    card.panel(2, 2, 198, 34, kPanel, kBorder);
    card.text(std::string("Table: ") + gradeName(tableGrade) + " (G)", 100, 24, 13, kBody, TextCard::Centre);
    drawCard(gradeCard, card, 12, 12, 200, 36);
}
