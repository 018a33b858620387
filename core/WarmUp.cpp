// Everything a flight draws is loaded and drawn once before the first flight, so that no flight
// frame waits for a shader. The first step loads the styles, the kinds and the scenery, which
// compiles and links the programs; the title's first frame does not wait for it. But a software
// rasteriser, like many GPU drivers, builds the code of a program for each combination of state
// it meets only at the first draw in it. One style a title frame, into the back buffer, which
// the title picture then covers; a flight that starts before the last one draws the rest first.
#include <GL/glew.h>

#include <vector>

#include "core/FlightFx.h"
#include "core/Game.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroup.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "platform/Clock.h"

namespace {

// Puts an object where the chase camera sees it, level with the ship.
void placeAhead(GameObject* obj, const GameState& flight, float x, float ahead) {
    const float3 ship = flight.ship->getPosition();
    obj->setPosition(x, ship.y, ship.z - ahead);
}

}  // namespace

bool Game::warmUpStep() {
    // The first step loads what a flight draws: the title showed without waiting for it.
    if (!flightResourcesLoaded) {
        loadFlightResources();
        return true;
    }
    // Every style, then one frame drawn at a lower scale and widened.
    const int styles = static_cast<int>(renderer.getStyles().size());
    if (warmedStyles > styles) return false;
    if (!warmFlight) {
        // A flight with one object of every kind, a bullet, a hinted power-up (its arrow), the
        // sign and a full gun (the bullet dots), on its ground.
        warmFlight = std::make_unique<GameState>();
        GameState& w = *warmFlight;
        w.start(demo::kSeed, flightRules(config), FlightMode::Timedemo);
        w.world.updateHeights([&w](const std::vector<float>& points, std::vector<float>& heights) {
            w.world.getTerrain().heightsAt(points, heights);
        });
        GameObject* objects[] = {new Asteroid(1.5f, w.random), new PowerUp(), new BulletPowerUp(), new Bullet()};
        for (int i = 0; i < 4; ++i) {
            w.world.addObject(objects[i], i == 1);
            placeAhead(objects[i], w, -3.0f + 2.0f * i, 6.0f + i);
        }
        w.world.placeSign(w.ship->getPosition().z + 22.0f);
        w.firstSignShown = true;
        w.bulletCount = 3;
        if (!scorePanel.getScoreTexture()) scorePanel.updateScoreImage(0, false, currentTitle());
    }
    GameState& w = *warmFlight;
    const bool widened = warmedStyles == styles;
    w.style = widened ? 0 : warmedStyles;
    // The panel's title line too: a star or a hit changes the title, and that frame then only
    // copies the line in.
    if (!widened) scorePanel.prepareTitle(renderer.style(w.style)->getTitle());
    ++warmedStyles;
    EffectContext& context = effectContext();
    context.playing = true;
    context.ship = w.ship.get();
    // Sparks in the scene and the rims around every object, as a shot and a hit draw them.
    FlightFx sparks;
    const uint32_t now = timeGetTime();
    sparks.sparks(now, w.ship->getPosition());
    FrameExtras extras;
    extras.hud = [this, &w] { drawHud(w); };
    extras.scene = [&sparks, now] { sparks.drawScene(now + 16); };
    const float scale = renderer.getSceneScale();
    renderer.setSceneScale(widened ? 0.75f : 1.0f);
    renderer.draw(w, extras);
    renderer.setSceneScale(scale);
    drawDemoLines();
    // The dimmed flight under the pause card, drawn after the first style as a pause draws it.
    if (w.style == 0 && !widened) drawPauseScreen();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    updateEffectContext();
    if (widened) warmFlight.reset();  // its objects and terrain are no longer needed
    return true;
}

void Game::finishWarmUp() {
    while (warmUpStep()) {
    }
}
