// The heads-up display of a flight: the style's label, the bullets, the score panel, the chain
// of styles as the player's life bar, and what a hit, a star or the end of a flight says.
#include <GL/glew.h>

#include <cmath>
#include <string>

#include "core/Game.h"
#include "highscore/TextCard.h"
#include "platform/Clock.h"

namespace {

using namespace cardcolour;

constexpr uint32_t kTrackPanel = 0x1c1830b0;  // lighter: the flight shows through

// Where the life bar sits: the lower right, clear of the label and the bullets.
constexpr float kTrackX = 470, kTrackY = 540, kTrackW = 320, kTrackH = 56;

}  // namespace

// Inside the overlay bracket, over everything: flash, label, bullets, score panel, life bar,
// and the words of the latest hit or star.
void Game::drawHud(const GameState& flight) {
    const uint32_t now = timeGetTime();
    fx.drawOverlay(now);
    drawEffectGroupLabel(flight);
    drawBulletDots(flight.bulletCount);
    scorePanel.drawScoreImage();
    drawStyleTrack(flight);
    drawTransition();
}

// The eleven styles as a row of pips, those reached filled, the current one ringed, with the
// multiplier beside them; in the first style the next hit ends the flight, and the bar says so.
void Game::drawStyleTrack(const GameState& flight) {
    const int style = flight.style;
    const bool lastLife = style == 0 && flight.mode == FlightMode::Player && !flight.over;
    // Blinking once a second of the flight's own time, so a paused flight stands still.
    const long flownMs = static_cast<long>(flight.stepCount * flight.rules.stepMs);
    const bool blinkOn = lastLife && (flownMs / 500) % 2 == 0;
    TextCard card(static_cast<int>(kTrackW), static_cast<int>(kTrackH));
    card.panel(2, 22, kTrackW - 2, kTrackH - 2, kTrackPanel, lastLife ? kRed : kBorder);
    for (int i = 0; i < kStyleCount; ++i) {
        const double x = 14 + i * 21.0, y = 39;
        const bool current = i == style;
        const uint32_t fill = i < style ? kGold : current ? kBody : 0xffffff30;
        const double r = current ? 8 : 5;
        card.panel(x - r, y - r, x + r, y + r, fill, current ? (lastLife ? kRed : kGold) : 0);
    }
    card.text("x" + std::to_string(flight.scoreMultiplier), kTrackW - 12, 46, 15, kGold, TextCard::Right);
    if (lastLife) {
        // On a plate of its own: bare red letters drown in the warm styles' skies.
        card.panel(28, 1, kTrackW - 28, 21, kPanel, 0);
        card.text("LAST LIFE - a hit ends the flight", kTrackW / 2, 16, 12, blinkOn ? 0xff6a5aff : 0xffb0a8ff,
                  TextCard::Centre);
    }
    drawCard(trackCard, card, kTrackX, kTrackY - 20, kTrackW, kTrackH);
}

// "-1" and the style flown now after a hit, "+1" and the new multiplier after a star,
// "GAME OVER" and the score at the end; each fades out.
void Game::drawTransition() {
    const uint32_t now = timeGetTime();
    const FlightFx::Kind kind = fx.kind(now);
    if (kind == FlightFx::Kind::Quiet) return;
    const float t = static_cast<float>(fx.age(now)) / FlightFx::kTransitionMs;
    const float alpha = kind == FlightFx::Kind::GameOver ? std::min(1.0f, 4 * t) : std::min(1.0f, 3 * (1 - t));
    TextCard card(500, 170);
    if (kind == FlightFx::Kind::GameOver) {
        card.text("GAME OVER", 250, 80, 44, kRed, TextCard::Centre);
        card.text("Score " + std::to_string(fx.finalScore()), 250, 130, 22, kBody, TextCard::Centre);
    } else {
        const bool hit = kind == FlightFx::Kind::Hit;
        card.text(hit ? "-1" : "+1", 250, 80, 54, hit ? kRed : kGold, TextCard::Centre);
        card.text(fx.title() + "   x" + std::to_string(fx.multiplier()), 250, 130, 22, kBody, TextCard::Centre);
    }
    drawCard(transitionCard, card, 150, 150, 500, 170, alpha);
}
