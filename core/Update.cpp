#include <GL/glew.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "core/Game.h"
#include "core/Simulation.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroup.h"
#include "objects/Spaceship.h"
#include "platform/Clock.h"
#include "platform/audio/Audio.h"

void Game::newGame() { newGame(timeGetTime()); }

void Game::newGame(unsigned seed) {
    playEffectSound(beamSound, true);
    std::srand(seed);
    demoRunning = false;

    session = GameSession{};
    session.currentEffectGroup = config.firstEffectGroup;
    scorePanel.updateScoreImage(0, false, currentTitle());

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
    paused = false;
    session.lastFrameTime = timeGetTime();
    session.forwardSpeed = config.startSpeed;

    ship->setPosition(0, -90, -1.25f);
    effectContext().backdropPass = false;
    updateEffectContext();
}

void Game::idle() {
    // The Pause key does what the pause binding does in flight.
    for (int presses = pauseKey.takePresses(); presses > 0; --presses)
        if (state == Playing && !demoRunning) togglePause();
    if (state != Playing) return;
    if (paused) {
        // Nothing moves: no frame to draw, and no reason to spin the processor meanwhile.
        usleep(10000);
        return;
    }

    // Unsigned 32-bit difference: a wrap of the millisecond counter still gives the small step.
    simulation::addElapsed(session, timeGetTime() - session.lastFrameTime);

    // The state is not looked at again: if a step ends the game, the pending steps still run.
    while (session.timeAccumulator > config.stepMs) step();
    if (demoRunning && demoSchedule.finished()) {
        endDemo();
        return;
    }

    if (session.scorePanelTimer > 500) {
        scorePanel.updateScoreImage(session.score, false, currentTitle());
        session.scorePanelTimer -= 500;
    }
    // Read again, so the time spent inside the steps is never simulated.
    session.lastFrameTime = timeGetTime();
}

void Game::step() {
    if (demoRunning && ship) demo::fly(demo::autopilot(*ship, world.getActiveObjects(), session.forwardSpeed), session, *ship, config);
    simulation::step({session, chaseCamera, topDownCamera, ship, world, config});
    if (demoRunning && !timedemoRunning)
        for (int due = demoSchedule.advance(config.stepMs); due > 0; --due) advanceStyle();
}

void Game::startDemo() {
    newGame(demo::kSeed);
    demoRunning = true;
    demoSchedule.restart();
}

void Game::endDemo() {
    demoRunning = false;
    session.leftHeld = session.rightHeld = false;
    state = Title;
    titleShown = false;  // the idle time starts again with the next title frame
}

void Game::pause() {
    if (state != Playing || paused || demoRunning || timedemoRunning) return;
    paused = true;
    pauseSound(true);
    glutPostRedisplay();
}

void Game::resume() {
    if (!paused) return;
    paused = false;
    // The time paused is never simulated: the flight goes on from the step it stood at.
    session.lastFrameTime = timeGetTime();
    pauseSound(false);
    glutPostRedisplay();
}
