// The rules as the player is told them: the "How to play" card (H on the title, and once before
// a player's first flight) and the same lines under the attract mode's demo.
#include <GL/glew.h>

#include <string>

#include "core/Game.h"
#include "highscore/TextCard.h"

namespace {

using namespace cardcolour;


const char* const kRules[3] = {
    "A star moves you one style on and raises the multiplier.",
    "A hit moves you one style back and empties the gun.",
    "A hit in the first style ends the flight.",
};

// The life bar as the flight shows it, at (x, y): the first styles reached, the fourth flown.
void trackPicture(TextCard& card, double x, double y) {
    card.panel(x, y, x + 320, y + 34, 0x1c1830b0, kBorder);
    for (int i = 0; i < 11; ++i) {
        const double cx = x + 14 + i * 21.0, cy = y + 17, r = i == 3 ? 8 : 5;
        card.panel(cx - r, cy - r, cx + r, cy + r, i < 3 ? kGold : i == 3 ? 0xffffffff : 0xffffff30, i == 3 ? kGold : 0);
    }
    card.text("x4", x + 308, y + 24, 15, kGold, TextCard::Right);
}

}  // namespace

void Game::drawHowToPlay() {
    TextCard card;
    card.panel(30, 90, 770, 520, kScreenPanel, kBorder);
    card.text("How to play", 400, 148, 32, kGold, TextCard::Centre);
    card.text("Eleven render styles. The bar in the corner is your life:", 400, 192, 14, kBody, TextCard::Centre);
    trackPicture(card, 240, 212);
    for (int i = 0; i < 3; ++i) card.text(kRules[i], 400, 290 + i * 34, 16, i == 2 ? kRed : kBody, TextCard::Centre);
    card.text("What leaves the field scores 15 times the multiplier.", 400, 400, 13, kBody, TextCard::Centre);
    card.text("Bullets knock asteroids away. P or Esc pauses the flight.", 400, 424, 13, kBody, TextCard::Centre);
    card.text("Steer, jump, sink and fire with the keys the title shows.", 400, 448, 13, kBody, TextCard::Centre);
    card.text(startAfterHelp ? "Press any key to fly" : "Press any key", 400, 494, 16, kKey, TextCard::Centre);
    drawCard(helpCard, card, 0, 0, 800, 600);
}

// Under the demo: that it is one, and the rules it plays by.
void Game::drawDemoLines() {
    TextCard card(800, 150);
    card.panel(90, 20, 710, 140, 0x00000090, 0);
    card.text("DEMO - press any key", 400, 50, 18, kGold, TextCard::Centre);
    for (int i = 0; i < 3; ++i) card.text(kRules[i], 400, 80 + i * 22, 13, kBody, TextCard::Centre);
    drawCard(demoCard, card, 0, 330, 800, 150);
}
