#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>

#include "core/Game.h"
#include "highscore/TextCard.h"
#include "objects/ObjectDraw.h"

namespace {

using namespace cardcolour;

// A daily score waits no longer for another game's save than a key press may take.
constexpr int kLockWaitMs = 1000;

}  // namespace

void Game::startDaily() {
    dailyDate = daily::today();
    playback = Playback::Off;
    // The Normal rules, whatever else is chosen: one course for everyone.
    beginFlight(daily::dailySeed(dailyDate), FlightRules{}, FlightMode::Player);
    dailyFlight = true;
    recorder.course(daily::kCourse, daily::stamp(dailyDate));
    replay::Replay best;
    std::string why;
    if (daily::loadBest(replayFolder(), dailyDate, &best, &why)) {
        std::printf("Daily course %s: your best (score %d) flies beside you\n", daily::text(dailyDate).c_str(),
                    best.header.score);
        ghost.start(std::move(best));
    } else {
        if (!why.empty()) std::printf("%s\n", why.c_str());
        std::printf("Daily course %s\n", daily::text(dailyDate).c_str());
    }
    std::fflush(stdout);
}

void Game::keepDailyReplay(const std::string& bytes) {
    std::string problem;
    if (daily::keepBest(replayFolder(), bytes, dailyDate, daily::today(), &problem))
        std::printf("Daily best kept: %s\n", daily::replayPath(replayFolder(), dailyDate).c_str());
    else if (!problem.empty())
        std::printf("Could not keep the daily best in %s: %s\n", replayFolder().c_str(), problem.c_str());
    std::fflush(stdout);
}

void Game::endDailyFlight() {
    const int score = flightState.score;
    daily::Store(playerFiles.daily).load(dailyTable);
    dailyRank = 0;
    if (score > 0) {
        highscoreRank = dailyTable.rankOf(dailyDate, score);
        highscoreTable.clearName();
        state = EnterName;
    } else {
        showDailyTable();
    }
    updateEffectContext();
    glutPostRedisplay();
}

void Game::saveDailyScore() {
    const std::string name = highscoreTable.getName();
    highscoreTable.clearName();
    int rank = 0;
    const SaveResult saved = daily::Store(playerFiles.daily)
                                 .save(dailyTable, dailyDate, daily::today(), flightState.score, name, &rank, kLockWaitMs);
    dailyRank = saved.ok ? rank : 0;
    highscoreSaveFailure = saved.playerMessage();
    showDailyTable();
}

void Game::showDailyTable() {
    dailyShown = true;
    state = Highscore;
    std::printf("Daily table shown: %s\n", daily::text(dailyDate).c_str());
    std::fflush(stdout);
    glutPostRedisplay();
}

void Game::drawDailyTable() {
    TextCard card;
    card.panel(120, 40, 680, 580, kScreenPanel, kBorder);
    card.text("Daily course " + daily::text(dailyDate), 400, 92, 30, kGold, TextCard::Centre);
    const HighscoreTable::Entries& entries = dailyTable.day(dailyDate);
    if (entries.empty()) card.text("No scores for this day yet.", 400, 300, 15, kBody, TextCard::Centre);
    int rank = 1;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it, ++rank) {
        const double y = 150 + rank * 34;
        const bool yours = rank == dailyRank;
        if (yours) card.panel(145, y - 24, 655, y + 9, 0xffffff30, 0);
        const uint32_t colour = yours ? kGold : kBody;
        card.text(std::to_string(rank) + ".", 200, y, 17, colour, TextCard::Right);
        card.text(it->second, 225, y, 17, colour, TextCard::Left, 270);
        card.text(std::to_string(it->first), 620, y, 17, colour, TextCard::Right);
    }
    if (!highscoreSaveFailure.empty()) card.text(highscoreSaveFailure, 400, 528, 12, kRed, TextCard::Centre, 520);
    card.text("S: start a flight   M: title", 400, 558, 12, kKey, TextCard::Centre);
    drawCard(dailyCard, card, 0, 0, 800, 600);
}

// The ghost's ship, once, over the scene every style has drawn (so the styles that draw objects
// into several buffers leave it out of them): lit plainly, tinted and made translucent by the
// blend, without shadow, rim or outline; the depth the scene left hides it where it is behind.
void Game::drawGhost() {
    const float alpha = ghost.opacity();
    if (!dailyFlight || alpha <= 0.0f || !ghost.flight().ship) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUseProgram(0);
    for (int unit = 3; unit >= 0; --unit) {
        glActiveTextureARB(GL_TEXTURE0 + unit);
        glDisable(GL_TEXTURE_2D);
    }
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_COLOR_LOGIC_OP);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    for (int light = 1; light < 8; ++light) glDisable(GL_LIGHT0 + light);
    const GLfloat ambient[4] = {0.2f, 0.55f, 1.1f, 1}, diffuse[4] = {0.35f, 0.85f, 1.6f, 1}, none[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, none);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);  // what a style left there
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    // The tint and the opacity by the blend itself, whatever the ship's materials make of the light.
    glBlendColor(0.55f * alpha, 0.85f * alpha, 1.0f * alpha, alpha);
    glBlendFunc(GL_CONSTANT_COLOR, GL_ONE_MINUS_CONSTANT_ALPHA);
    drawGameObjectShape(*ghost.flight().ship);
    glUseProgram(static_cast<GLuint>(program));
    glPopAttrib();
}
