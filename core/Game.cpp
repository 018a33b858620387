#include "core/Game.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cstdio>

#include "core/Callbacks.h"
#include "core/StartupChecks.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroup.h"
#include "framework/Screen.h"
#include "platform/SwapInterval.h"

Game& Game::instance() {
    static Game game;  // destroyed at exit: that is the game's tear-down
    return game;
}

Game::Game()
    : state(Title),
      lastFrameTime(0),
      scorePanelTimer(0),
      highscoreRank(0),
      ending(false),
      endingSince(0),
      musicDucked(false),
      lastDrawn(0),
      highscoreTexture(nullptr),
      labelTextures{},
      titleShown(false),
      titleSince(0),
      swapInterval(1),
      windowPixels{800, 600},
      fullscreen(false),
      windowedGeometry{0, 0, 800, 600},
      startFullscreen(-1),
      paused(false),
      useSettingsFile(true),
      settingsLoaded(false),
      volumeShownAt(0),
      gamepadPresent(false),
      showingHelp(false),
      startAfterHelp(false) {
    // A replay answers from its recording; a recorded flight keeps what the strip answered.
    ground = [this](const std::vector<float>& points, std::vector<float>& heights) {
        if (playback != Playback::Off && player) return player->ground(points, heights);
        flightState.world.getTerrain().heightsAt(points, heights);
        replay::quantise(heights);
        recorder.ground(points, heights);
    };
    // The window's first size, until it tells another (tests draw into a window of that size
    // without the game's own window start-up).
    picture = fitPicture(windowPixels[0], windowPixels[1]);
    screen::setPicture({picture.x, picture.y, picture.width, picture.height});
}

Game::~Game() = default;

void Game::run(int argc, char** argv) {
    startUp(argc, argv);
    if (startReplay) playReplay(std::move(*startReplay), true);
    glutMainLoop();
}

void Game::startUp(int argc, char** argv) {
    loadSettings();
    initWindow(argc, argv);
    initSound();
    initProjection();
    registerCallbacks();
    initResources();
}

void Game::initWindow(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB);
    glutInitWindowSize(config.windowWidth, config.windowHeight);
    glutCreateWindow(config.windowTitle);
    glutIgnoreKeyRepeat(1);
    requireGlew(glewInit());
    reshape(config.windowWidth, config.windowHeight);
    pauseKey.open(glXGetCurrentDrawable());
    if (startFullscreen == 1 || (startFullscreen == -1 && settings.fullscreen)) setFullscreen(true, false);
    applySwapInterval();
}

void Game::applySwapInterval() {
    if (wglSwapIntervalEXT(swapInterval))
        std::printf("Swap interval %d\n", swapInterval);
    else
        std::printf("Swap interval %d not set: the driver offers no swap control\n", swapInterval);
    std::fflush(stdout);
}

void Game::initProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(config.windowWidth) / config.windowHeight, 0.1, 30.0);
    glMatrixMode(GL_MODELVIEW);
}

void Game::registerCallbacks() {
    glutDisplayFunc(displayCallback);
    glutIdleFunc(idleCallback);
    glutSpecialFunc(specialCallback);
    glutSpecialUpFunc(specialUpCallback);
    glutKeyboardFunc(keyboardCallback);
    glutKeyboardUpFunc(keyboardUpCallback);
    glutReshapeFunc(reshapeCallback);
    glutWindowStatusFunc(windowStatusCallback);
    // Polled every 16 ms; on a machine without a gamepad freeglut never calls it.
    glutJoystickFunc(joystickCallback, 16);
}

EffectGroup* Game::currentStyle() const { return renderer.style(flightState.style); }

const char* Game::currentTitle() const {
    const EffectGroup* group = currentStyle();
    return group ? group->getTitle() : nullptr;
}

void Game::updateEffectContext() {
    EffectContext& context = effectContext();
    context.playing = state == Playing;
    context.ship = flightState.ship.get();
    context.logger = config.logger;
}
