#include <GL/glew.h>
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core/FrameShot.h"
#include "core/Game.h"
#include "effects/EffectContext.h"
#include "highscore/HighscoreStore.h"
#include "platform/Clock.h"

namespace {
// How long the end of a flight stays on screen before the name entry or the table.
constexpr uint32_t kEndingBeatMs = 1500;
// The display's usual rate, for screens that move only now and then.
constexpr uint32_t kStillFrameMs = 16;
}  // namespace

void Game::newGame() { newGame(timeGetTime()); }

void Game::newGame(uint32_t seed) {
    playback = Playback::Off;
    flightGrade = settings.grade;
    beginFlight(seed, flightRules(config, flightGrade), FlightMode::Player);
}

void Game::startDemo(FlightMode mode) {
    flightGrade = Grade::Normal;  // the attract mode and the timedemo fly Normal's rules
    // The attract mode shows the player's best flight when there is one.
    const std::string best = replayFolder() + "/" + replay::kBestName;
    replay::Replay recorded;
    std::string why;
    if (mode == FlightMode::Demo && access(best.c_str(), F_OK) == 0) {
        if (replay::load(best, &recorded, &why)) {
            const replay::Header header = recorded.header;
            player = std::make_unique<replay::Player>(std::move(recorded));
            playback = Playback::Attract;
            beginFlight(header.seed, header.rules, FlightMode::Player);
            return;
        }
        std::printf("%s\n", why.c_str());
    }
    playback = Playback::Off;
    beginFlight(demo::kSeed, flightRules(config), mode);
}

void Game::beginFlight(uint32_t seed, const FlightRules& rules, FlightMode mode) {
    finishWarmUp();  // what the title frames have not drawn yet: no flight frame compiles
    sound.playEffect(GameAudio::Beam, effectsGain(settings));
    flightState.start(seed, rules, mode);
    dailyFlight = dailyShown = false;  // startDaily says so after
    ghost.stop();
    flightStats = FlightStats{};
    // Every player's flight is recorded; a replay is not recorded again.
    if (mode == FlightMode::Player && playback == Playback::Off)
        recorder.start(seed, rules, flightGrade);
    else
        recorder.stop();
    // The scenery and its pictures stay for the run; the terrain's buffers follow the strip.
    std::printf("textures loaded\n");
    std::fflush(stdout);
    inputs.clear();
    clock.reset();
    renderScale.restart();
    lastSwapMs = -1;
    scorePanelTimer = 0;
    styleSeen = -1, styleFrameStep = -1, styleFrameDue = false, stylesFramed = 0;
    highscoreRank = 0;
    fx.clear();
    ending = false;
    if (musicDucked) musicDucked = false, applyVolumes();
    scorePanel.updateScoreImage(0, false, currentTitle());

    state = Playing;
    paused = false;
    lastFrameTime = timeGetTime();
    effectContext().backdropPass = false;
    updateEffectContext();
    // On the ground from the first frame.
    flightState.world.updateHeights(ground);
    glutPostRedisplay();
}

void Game::idle() {
    // The Pause key does what the pause binding does in flight.
    for (int presses = pauseKey.takePresses(); presses > 0; --presses)
        if (state == Playing && !isDemoRunning()) togglePause();
    // The music goes on whatever is drawn: the next title once the last has ended.
    sound.advancePlaylist(config.logger);
    pollScoreSave();
    pollStatisticsSave();
    // The title's idle time counts from when the title is entered; a key starts it again.
    if (state != Title || showingHelp) {
        titleShown = false;
    } else if (!titleShown) {
        titleShown = true;
        titleSince = timeGetTime();
    } else if (demo::due(titleSince, timeGetTime())) {
        startDemo();
    }
    if (state != Playing || paused) {
        idleOnStill();
        return;
    }
    // The flight is over; its last moment stays on screen for a beat before the table.
    if (ending && timeGetTime() - endingSince >= kEndingBeatMs) {
        endFlight();
        return;
    }

    // Unsigned 32-bit difference: a wrap of the millisecond counter still gives the small step.
    const uint32_t elapsed = timeGetTime() - lastFrameTime;
    clock.add(fastForward && isReplaying() ? std::min<uint32_t>(elapsed, 1000) * 4 : elapsed);
    while (state == Playing && !styleFrameDue && clock.takeStep(config.stepMs)) stepFlight();
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
    if (playback != Playback::Off) {
        // A replay that runs out before its flight is over has gone astray.
        if (player->finished() && !flightState.over) {
            endPlayback(false);
            return;
        }
        input = flightState.over ? Input() : player->next();
    } else if (flightState.mode != FlightMode::Player) {
        // The autopilot flies; only the timedemo's style changes come through the queue (any
        // key ends the attract mode's demo).
        const bool nextStyle = input.has(Input::NextStyle);
        input = demo::autopilot(flightState);
        input.set(Input::NextStyle, nextStyle);
    }
    const bool flying = !flightState.over;
    const StepEvents events = step(flightState, input, ground);
    if (flying) countStep(events);
    react(events);
    ghost.step();
    if (flying) recorder.stepped(input, flightState);
    scorePanelTimer += static_cast<int>(config.stepMs);
    if (!styleFramesFolder.empty()) noteStyleFrame();
}

void Game::noteStyleFrame() {
    if (flightState.over || flightState.mode != FlightMode::Player) return;
    if (flightState.style != styleSeen) {
        styleSeen = flightState.style;
        styleFrameStep = flightState.stepCount + static_cast<long>(kStyleFrameMs / flightState.rules.stepMs);
        // Said, so that whoever waits for a picture knows which style is up (a hit may have
        // brought back one that has its picture already).
        std::printf("Style now: %02d\n", styleSeen + 1);
        std::fflush(stdout);
    }
    // The next frame shows the flight as it is after this very step, whatever the frame rate.
    if (flightState.stepCount == styleFrameStep && !(stylesFramed & (1u << styleSeen))) styleFrameDue = true;
}

void Game::saveStyleFrame() {
    char name[32];
    std::snprintf(name, sizeof name, "/style-%02d.png", styleSeen + 1);
    const std::string path = styleFramesFolder + name;
    mkdir(styleFramesFolder.c_str(), 0755);  // one that cannot be made fails the save, which says so
    if (saveFrame(path, picture.x, picture.y, picture.width, picture.height))
        std::printf("Style picture: %s\n", path.c_str());
    else
        std::printf("Could not write the style picture %s\n", path.c_str());
    std::fflush(stdout);
    stylesFramed |= 1u << styleSeen;
    styleFrameDue = false;
}

void Game::react(const StepEvents& events) {
    const float gain = effectsGain(settings);
    const uint32_t now = timeGetTime();
    const bool player = flightState.mode == FlightMode::Player;
    // The demo jumps without the jump's sound.
    if (events.jumped && player) sound.playEffect(GameAudio::Jump, gain);
    if (events.fired) sound.playEffect(GameAudio::Fire, gain);
    for (ObjectKind kind : events.contacts) sound.playObjectSound(kind, gain);
    for (const float3& at : events.knocks) fx.sparks(now, at);
    if (events.gameOver) {
        beginEnding();
        return;
    }
    const bool lost = events.hits > 0 && player;
    if (lost) fx.hit(now, currentTitle() ? currentTitle() : "", flightState.scoreMultiplier, events.bulletsLost);
    if (events.stylesForward > 0 && player) fx.star(now, currentTitle() ? currentTitle() : "", flightState.scoreMultiplier);
    if (lost || events.stylesForward > 0) scorePanel.updateScoreImage(flightState.score, true, currentTitle());
}

void Game::beginEnding() {
    ending = true;
    endingSince = timeGetTime();
    fx.explode(endingSince, flightState.ship->getPosition(), flightState.score);
    sound.playEffect(GameAudio::GameOver, effectsGain(settings));
    musicDucked = true;
    applyVolumes();
}

void Game::endFlight() {
    // The flight's score is final: rank it, and show the name entry or the table.
    ending = false;
    if (musicDucked) musicDucked = false, applyVolumes();
    if (playback != Playback::Off) {
        endPlayback(false);
        return;
    }
    keepReplay();
    countFlight();
    highscoreSaveFailure.clear();
    const int score = flightState.score;
    std::printf("Game over: score %d\n", score);
    std::fflush(stdout);
    if (dailyFlight) return endDailyFlight();
    tableGrade = flightGrade;
    if (score > 0) {
        highscoreStore(tableGrade).load(highscoreTable);
        highscoreRank = highscoreTable.computeRank(score);
        state = EnterName;
    } else {
        reloadHighscoreImage();
    }
    updateEffectContext();
    glutPostRedisplay();
}

void Game::endDemo() {
    playback = Playback::Off;
    player.reset();
    fastForward = false;
    inputs.clear();
    state = Title;
    titleShown = false;  // the idle time starts again with the next title frame
    updateEffectContext();
    glutPostRedisplay();
}

// A screen that stands still (the title, the tables, a paused flight) is drawn again only
// while something on it moves (a volume panel fading, the frame-rate display), at most at the
// display's rate; meanwhile the processor rests, whether or not the driver waits for the display.
void Game::idleOnStill() {
    const uint32_t now = timeGetTime();
    const bool moving = (!volumeText.empty() && now - volumeShownAt <= 1600) || fpsOverlay.isShown();
    if (moving && now - lastDrawn >= kStillFrameMs) {
        glutPostRedisplay();
        return;
    }
    usleep(4000);
}

void Game::pause() {
    // Nothing to hold once the flight is over.
    if (state != Playing || paused || isDemoRunning() || flightState.over) return;
    paused = true;
    sound.holdAll(true);
    glutPostRedisplay();
}

void Game::resume() {
    if (!paused) return;
    paused = false;
    renderScale.restart();
    // The time paused is never simulated: the flight goes on from the step it stood at.
    lastFrameTime = timeGetTime();
    sound.holdAll(false);
    glutPostRedisplay();
}
