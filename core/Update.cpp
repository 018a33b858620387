#include <GL/glew.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "highscore/HighscoreStore.h"
#include "platform/Clock.h"

void Game::newGame() { newGame(timeGetTime()); }

void Game::newGame(uint32_t seed) { beginFlight(seed, FlightMode::Player); }

void Game::startDemo(FlightMode mode) { beginFlight(demo::kSeed, mode); }

void Game::beginFlight(uint32_t seed, FlightMode mode) {
    sound.playEffect(GameAudio::Beam, effectsGain(settings));
    flightState.start(seed, flightRules(config), mode);
    // The scenery and its pictures stay for the run; the terrain's buffers follow the strip.
    std::printf("textures loaded\n");
    std::fflush(stdout);
    inputs.clear();
    clock.reset();
    scorePanelTimer = 0;
    highscoreRank = 0;
    scorePanel.updateScoreImage(0, false, currentTitle());

    state = Playing;
    paused = false;
    lastFrameTime = timeGetTime();
    effectContext().backdropPass = false;
    updateEffectContext();
    // On the ground from the first frame.
    flightState.world.updateHeights(ground);
}

void Game::idle() {
    // The Pause key does what the pause binding does in flight.
    for (int presses = pauseKey.takePresses(); presses > 0; --presses)
        if (state == Playing && !isDemoRunning()) togglePause();
    if (state != Playing) return;
    if (paused) {
        // Nothing moves: no frame to draw, and no reason to spin the processor meanwhile.
        usleep(10000);
        return;
    }

    // Unsigned 32-bit difference: a wrap of the millisecond counter still gives the small step.
    clock.add(timeGetTime() - lastFrameTime);
    while (state == Playing && clock.takeStep(config.stepMs)) stepFlight();
    if (state == Playing && flightState.mode == FlightMode::Demo && flightState.schedule.finished()) {
        endDemo();
        return;
    }
    if (scorePanelTimer > 500) {
        scorePanel.updateScoreImage(flightState.score, false, currentTitle());
        scorePanelTimer -= 500;
    }
    // Read again, so the time spent inside the steps is never simulated.
    lastFrameTime = timeGetTime();
}

void Game::stepFlight() {
    Input input = inputs.take();
    if (flightState.mode != FlightMode::Player) {
        // The autopilot flies; only the timedemo's style changes come through the queue (any
        // key ends the attract mode's demo).
        const bool nextStyle = input.has(Input::NextStyle);
        input = demo::autopilot(flightState);
        input.set(Input::NextStyle, nextStyle);
    }
    react(step(flightState, input, ground));
    scorePanelTimer += static_cast<int>(config.stepMs);
}

void Game::react(const StepEvents& events) {
    const float gain = effectsGain(settings);
    // The demo jumps without the jump's sound.
    if (events.jumped && flightState.mode == FlightMode::Player) sound.playEffect(GameAudio::Jump, gain);
    if (events.fired) sound.playEffect(GameAudio::Fire, gain);
    for (ObjectKind kind : events.contacts) sound.playObjectSound(kind, gain);
    const bool styleChanged = events.stylesForward > 0 || (events.hits > 0 && flightState.mode == FlightMode::Player);
    if (styleChanged && !flightState.over) scorePanel.updateScoreImage(flightState.score, true, currentTitle());
    if (events.gameOver) endFlight();
}

void Game::endFlight() {
    // The flight's score is final: rank it, and show the name entry or the table.
    highscoreSaveFailure.clear();
    const int score = flightState.score;
    std::printf("Game over: score %d\n", score);
    std::fflush(stdout);
    if (score > 0) {
        highscoreStore().load(highscoreTable);
        highscoreRank = highscoreTable.computeRank(score);
        state = EnterName;
    } else {
        reloadHighscoreImage();
    }
    updateEffectContext();
    glutPostRedisplay();
}

void Game::endDemo() {
    inputs.clear();
    state = Title;
    titleShown = false;  // the idle time starts again with the next title frame
    updateEffectContext();
}

void Game::pause() {
    if (state != Playing || paused || isDemoRunning()) return;
    paused = true;
    sound.holdAll(true);
    glutPostRedisplay();
}

void Game::resume() {
    if (!paused) return;
    paused = false;
    // The time paused is never simulated: the flight goes on from the step it stood at.
    lastFrameTime = timeGetTime();
    sound.holdAll(false);
    glutPostRedisplay();
}
