// Replays as the player meets them: every finished flight kept, the list (R on the title),
// a replay played back, and the end of a playback.
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/Game.h"
#include "highscore/TextCard.h"

namespace {

using namespace cardcolour;

constexpr int kRowsShown = 11;  // the grades' bests and the latest

std::string dateOf(int64_t seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    char text[32];
    if (!localtime_r(&t, &local) || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local)) return "?";
    return text;
}

}  // namespace

std::string Game::replayFolder() const {
    return playerFiles.dataFolder.empty() ? replay::kFolder : playerFiles.dataFolder + "/" + replay::kFolder;
}

void Game::keepReplay() {
    if (!recorder.recording()) return;
    const std::string bytes = recorder.finish(flightState, static_cast<int64_t>(std::time(nullptr)));
    std::string problem;
    const std::string path = bytes.empty() ? std::string() : replay::keep(replayFolder(), bytes, &problem);
    if (bytes.empty())
        std::printf("The flight was too long to keep as a replay\n");
    else if (path.empty())
        std::printf("Could not keep the replay in %s: %s\n", replayFolder().c_str(), problem.c_str());
    else
        std::printf("Replay kept: %s\n", path.c_str());
    if (dailyFlight && !bytes.empty()) keepDailyReplay(bytes);
    std::fflush(stdout);
}

void Game::playReplay(replay::Replay recorded, bool fromCommandLine) {
    const replay::Header header = recorded.header;
    player = std::make_unique<replay::Player>(std::move(recorded));
    playback = fromCommandLine ? Playback::CommandLine : Playback::List;
    fastForward = false;
    beginFlight(header.seed, header.rules, FlightMode::Player);
}

void Game::endPlayback(bool quit) {
    const std::string problem = quit || !player ? std::string() : player->verify(flightState);
    const Playback was = playback;
    playback = Playback::Off;
    player.reset();
    fastForward = false;
    paused = false;
    sound.holdAll(false);
    if (!quit && problem.empty()) std::printf("Replay finished: score %d\n", flightState.score);
    if (!problem.empty()) std::printf("The replay cannot be played exactly: %s\n", problem.c_str());
    std::fflush(stdout);
    if (was == Playback::CommandLine) std::exit(problem.empty() ? 0 : 1);
    if (was == Playback::Attract) {
        endDemo();
        return;
    }
    replayNote = problem.empty() ? std::string() : "That replay " + problem;
    inputs.clear();
    state = ReplaysScreen;
    updateEffectContext();
    glutPostRedisplay();
}

void Game::openReplays() {
    replayList = replay::list(replayFolder());
    replaySelected = 0;
    replayNote.clear();
    state = ReplaysScreen;
    glutPostRedisplay();
}

void Game::replaysKey(int code) {
    const int rows = std::min(static_cast<int>(replayList.size()), kRowsShown);
    if (code == input::kUp && rows > 0) {
        replaySelected = (replaySelected + rows - 1) % rows;
    } else if (code == input::kDown && rows > 0) {
        replaySelected = (replaySelected + 1) % rows;
    } else if ((code == 13 || code == ' ') && replaySelected < rows) {
        replay::Replay chosen;
        std::string why;
        if (replay::load(replayList[replaySelected].path, &chosen, &why)) {
            playReplay(std::move(chosen), false);
            return;
        }
        // The line names the file; the list has room for the reason only.
        std::printf("%s\n", why.c_str());
        std::fflush(stdout);
        replayNote = why.substr(why.find(": ") + 2);
    } else if (code == 27 || code == 'b' || code == 8) {
        state = Title;
    } else if (code == 'q') {
        std::exit(0);
    } else {
        volumeKey(code);
    }
    glutPostRedisplay();
}

void Game::drawReplaysScreen() {
    TextCard card;
    card.panel(70, 40, 730, 580, kScreenPanel, kBorder);
    card.text("Replays", 400, 92, 30, kGold, TextCard::Centre);
    const int rows = std::min(static_cast<int>(replayList.size()), kRowsShown);
    if (rows == 0) card.text("No flights yet: every finished flight is kept here.", 400, 300, 15, kBody, TextCard::Centre);
    if (rows > 0) {
        card.text("flown", 110, 135, 13, kGold);
        card.text("score", 440, 135, 13, kGold, TextCard::Right);
        card.text("styles reached", 480, 135, 13, kGold);
    }
    const int bests = static_cast<int>(std::count_if(replayList.begin(), replayList.end(), [](const replay::Entry& e) { return e.best; }));
    for (int i = 0; i < rows; ++i) {
        const replay::Entry& e = replayList[i];
        const double y = 168 + i * 30 + (bests > 0 && i >= bests ? 10 : 0);
        const bool chosen = i == replaySelected;
        if (chosen) card.panel(95, y - 21, 705, y + 8, 0xffffff30, 0);
        const uint32_t colour = chosen ? kGold : kBody;
        card.text(dateOf(e.header.endedAt), 110, y, 15, colour);
        card.text(std::to_string(e.header.score), 440, y, 15, colour, TextCard::Right);
        card.text(std::to_string(e.header.stylesReached) + " of " + std::to_string(kStyleCount), 480, y, 15, colour);
        // Normal's flights as ever; the others say their grade.
        const std::string grade = e.header.grade == 0 ? "" : gradeName(static_cast<Grade>(e.header.grade));
        if (e.best) card.text(grade.empty() ? "best" : grade + " best", 690, y, grade.empty() ? 15 : 12, kKey, TextCard::Right);
        else if (e.header.build != replay::buildId()) card.text("older game", 690, y, 12, kRed, TextCard::Right);
        else if (!grade.empty()) card.text(grade, 690, y, 12, kKey, TextCard::Right);
    }
    if (!replayNote.empty()) card.text(replayNote, 400, 528, 12, kRed, TextCard::Centre, 620);
    card.text("Up Down: choose   Enter: play   Esc: back", 400, 558, 12, kBody, TextCard::Centre);
    drawCard(replaysCard, card, 0, 0, 800, 600);
}

// Over a replay played back: that it is one, and its keys.
void Game::drawReplayLines() {
    TextCard card(800, 40);
    card.panel(150, 4, 650, 36, 0x00000090, 0);
    const std::string speed = fastForward ? "   x4" : "";
    card.text("REPLAY   P: pause   F: fast forward   Esc: stop" + speed, 400, 27, 14, kGold, TextCard::Centre);
    drawCard(replayCard, card, 0, 480, 800, 40);
}
