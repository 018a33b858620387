// The player's statistics: each flight of the player's own counted step by step, added to
// stats.txt when it ends, and the screen that shows them (T on the title and the table).
#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "highscore/ScoreSaver.h"
#include "highscore/TextCard.h"
#include "platform/Clock.h"

namespace {

using namespace cardcolour;

std::string minutes(int64_t ms) {
    const int64_t seconds = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return text;
}

}  // namespace

bool Game::counted() const { return flightState.mode == FlightMode::Player && playback == Playback::Off; }

void Game::countStep(const StepEvents& events) {
    if (counted()) flightStats.add(flightState, events);
}

void Game::countFlight() {
    if (!counted()) return;
    lastFlight = std::make_unique<FlightStats>(flightStats);
    unsavedFlights.push_back(flightStats);
    saveStatistics(ScoreSaver::kFirstWaitMs);
}

void Game::saveStatistics(int lockWaitMs) {
    if (unsavedFlights.empty()) return;
    statisticsTriedAt = timeGetTime();
    const StatisticsSave save = ::saveStatistics(playerFiles.stats, unsavedFlights, lockWaitMs);
    auto say = [this](const char* what, const std::string& why) {
        std::printf("%s %s: %s\n", what, playerFiles.stats.c_str(), why.c_str());
        std::fflush(stdout);
    };
    if (save.busy) {
        // Held by another game: these flights wait and are tried again from the loop, said once.
        if (lockWaitMs > 0) say("The statistics wait to be saved to", save.problem + "; trying again");
        return;
    }
    if (!save.ok) say("Could not save the statistics to", save.problem);
    unsavedFlights.clear();
}

void Game::pollStatisticsSave() {
    if (!unsavedFlights.empty() && timeGetTime() - statisticsTriedAt >= ScoreSaver::kRetryMs) saveStatistics(0);
}

void Game::openStatistics() {
    statisticsShown = loadStatistics(playerFiles.stats);
    for (const FlightStats& waiting : unsavedFlights) statisticsShown.add(waiting);
    statisticsFrom = state;
    loadFlightResources();  // the styles' names, should the title not have loaded them yet
    state = StatisticsScreen;
    glutPostRedisplay();
}

void Game::statisticsKey(int code) {
    if (code == 27 || code == 't' || code == 'b' || code == 8) {
        state = statisticsFrom;
    } else if (code == 'q') {
        std::exit(0);
    } else {
        volumeKey(code);
    }
    glutPostRedisplay();
}

void Game::drawStatisticsScreen() {
    TextCard card;
    card.panel(70, 40, 730, 580, kScreenPanel, kBorder);
    card.text("Statistics", 400, 86, 30, kGold, TextCard::Centre);
    const Statistics& all = statisticsShown;
    if (all.flights == 0) {
        card.text("No flights yet", 400, 290, 22, kBody, TextCard::Centre);
        card.text("Every flight you finish is counted here.", 400, 325, 16, kBody, TextCard::Centre);
    } else {
        // Three columns: what, this run's last flight, every flight; long style names shrink.
        constexpr double kName = 100, kLast = 560, kAll = 700, kRow = 23;
        card.text("Last flight", kLast, 124, 16, kGold, TextCard::Right);
        card.text("All flights", kAll, 124, 16, kGold, TextCard::Right);
        const FlightStats* last = lastFlight.get();
        auto row = [&](double y, const std::string& name, const std::string& lastValue, const std::string& allValue) {
            card.text(name, kName, y, 17, kBody, TextCard::Left, kLast - kName - 80);
            card.text(last ? lastValue : "-", kLast, y, 17, kKey, TextCard::Right);
            card.text(allValue, kAll, y, 17, kKey, TextCard::Right);
        };
        double y = 152;
        for (int i = 0; i < kStyleCount; ++i, y += kRow) {
            const EffectGroup* style = renderer.style(i);
            const std::string name = style && style->getTitle() ? style->getTitle() : "Style " + std::to_string(i + 1);
            row(y, name, last ? minutes(last->styleMs(i)) : "", minutes(all.styleMs[i]));
        }
        y += 8;
        auto count = [](int64_t n) { return std::to_string(n); };
        row(y, "Flights", "1", count(all.flights));
        row(y += kRow, "Stars", last ? count(last->stars) : "", count(all.stars));
        row(y += kRow, "Hits", last ? count(last->hits) : "", count(all.hits));
        row(y += kRow, "Best multiplier", last ? "x" + count(last->bestMultiplier) : "", "x" + count(all.bestMultiplier));
        row(y += kRow, "Asteroids shot", last ? count(last->asteroidsShot) : "", count(all.asteroidsShot));
        row(y += kRow, "Longest flight", last ? minutes(last->durationMs()) : "", minutes(all.longestFlightMs));
    }
    card.text("T, Esc: back", 400, 562, 14, kBody, TextCard::Centre);
    drawCard(statisticsCard, card, 0, 0, 800, 600);
}
