#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/Game.h"
#include "objects/Spaceship.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

namespace {

// The chase camera follows the ship sideways freely near the centre line and ever more
// slowly beyond it, never passing 2.5.
double softLimit(double x) {
    const double bound = 1.5;
    if (x > bound) return std::tanh(x - bound) + bound;
    if (x < -bound) return std::tanh(x + bound) - bound;
    return x;
}

}  // namespace

void Game::newGame() {
    if (soundSystem && beamSound) checkSoundResult(soundSystem->playSound(audio::CHANNEL_REUSE, beamSound, false, &effectsChannel));
    std::srand(timeGetTime());

    currentEffectGroup = config.firstEffectGroup;
    score = 0;
    scoreMultiplier = 1;
    scorePanelTimer = 0;
    highscoreTable.updateScoreImage(0, false);

    if (ship) {
        // The world forgets its objects on clear; the ship is ours, so take it out before deleting it.
        auto& active = world.getActiveObjects();
        active.erase(std::remove(active.begin(), active.end(), static_cast<GameObject*>(ship)), active.end());
        delete ship;
        ship = nullptr;
    }
    world.clear();
    world.reset();

    ship = new Spaceship();
    ship->setRotation(0, 90, 0);
    world.addToActive(ship);

    chaseCamera.set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    topDownCamera.set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);

    state = Playing;
    timeAccumulator = 0;
    lastFrameTime = timeGetTime();
    forwardSpeed = config.startSpeed;

    firstSignShown = secondSignShown = false;
    leftHeld = rightHeld = false;

    ship->setPosition(0, -90, -1.25f);
    backdropPass = false;
}

void Game::idle() {
    if (state != Playing) return;

    // Unsigned 32-bit difference: a wrap of the millisecond counter still gives the small step.
    const uint32_t elapsed = timeGetTime() - lastFrameTime;
    timeAccumulator += static_cast<float>(elapsed);

    // The state is not looked at again: if a step ends the game, the pending steps still run.
    while (timeAccumulator > config.stepMs) step();

    if (scorePanelTimer > 500) {
        highscoreTable.updateScoreImage(score, false);
        scorePanelTimer -= 500;
    }
    // Read again, so the time spent inside the steps is never simulated.
    lastFrameTime = timeGetTime();
}

void Game::step() {
    const float dt = config.stepMs;
    const float v = forwardSpeed;

    if (ship) {
        const float3 e = chaseCamera.getEye();
        const float3 c = chaseCamera.getCenter();
        const float3 s = ship->getPosition();
        const float eyeY = static_cast<float>(e.y * 0.9 + (s.y + 1.4) * 0.1);
        const float centreY = static_cast<float>(c.y * 0.9 + (s.y + 0.5) * 0.1);
        const float centreX = static_cast<float>(softLimit(c.x * 0.9 + s.x * 0.1));
        const float eyeX = static_cast<float>(softLimit(e.x * 0.9 + s.x * 0.1));

        chaseCamera.moveEye(0, 0, -v * dt);
        chaseCamera.setEye(eyeX, eyeY, chaseCamera.getEye().z);
        chaseCamera.moveCenter(0, 0, -v * dt);
        chaseCamera.setCenter(centreX, centreY, chaseCamera.getCenter().z);
    }

    topDownCamera.moveEye(0, 0, -v * dt);
    topDownCamera.moveCenter(0, 0, -v * dt);

    if (ship) ship->movePosition(0, 0, -v * dt);

    forwardSpeed += config.acceleration;
    if (!(forwardSpeed < 0.08f)) forwardSpeed = 0.08f;

    if (ship) {
        const bool jumping = ship->getMotionState() == Jumping;
        const float d = jumping ? 300.0f : 60.0f;
        if (leftHeld && !rightHeld) {
            ship->addVelocity(-config.steerRate * dt / d, 0, 0);
        } else if (rightHeld && !leftHeld) {
            ship->addVelocity(config.steerRate * dt / d, 0, 0);
        } else if (!leftHeld && !rightHeld && !jumping) {
            const float vx = ship->getVelocity().x;
            ship->addVelocity(-vx * dt / 20, 0, 0);
            if (std::fabs(ship->getVelocity().x) < 0.0009f) {
                const float3 vel = ship->getVelocity();
                ship->setVelocity(0, vel.y, vel.z);
            }
        }
        const float3 vel = ship->getVelocity();
        ship->setVelocity(std::clamp(vel.x, -0.005f, 0.005f), vel.y, vel.z);
    }

    world.update(dt);

    timeAccumulator -= dt;
    scorePanelTimer = static_cast<int>(scorePanelTimer + dt);
}
