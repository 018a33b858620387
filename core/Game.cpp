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
#include "objects/Spaceship.h"
#include "platform/SwapInterval.h"

Game& Game::instance() {
    static Game game;  // destroyed at exit: that is the game's tear-down
    return game;
}

Game::Game()
    : host(*this),
      state(Title),
      ship(nullptr),
      ssao(nullptr),
      normalShader(nullptr),
      titleTexture(nullptr),
      creditsTexture(nullptr),
      enterNameTexture(nullptr),
      highscoreTexture(nullptr),
      labelTextures{},
      bulletCount(0),
      demoRunning(false),
      titleShown(false),
      titleSince(0),
      timedemoRunning(false),
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
      soundSystem(nullptr),
      effectsChannel(nullptr),
      objectChannel(nullptr),
      musicChannel(nullptr),
      fireSound(nullptr),
      jumpSound(nullptr),
      beamSound(nullptr),
      objectSounds{},
      music(nullptr),
      musicPaused(false),
      playlist(nullptr),
      isPlaylist(false),
      musicPlaying(false),
      playlistIndex(0) {
    world.setHost(&host);
    world.setResourceCache(&resourceCache);
    // The window's first size, until it tells another (tests draw into a window of that size
    // without the game's own window start-up).
    picture = fitPicture(windowPixels[0], windowPixels[1]);
    screen::setPicture({picture.x, picture.y, picture.width, picture.height});
}

// Members are destroyed in reverse declaration order after this body: score panel, text
// writer, resource cache, world, configuration (which deletes the logger).
Game::~Game() {
    // The world must not delete the ship, which the Game owns: take it out of the lists first.
    if (ship) {
        auto& active = world.getActiveObjects();
        for (auto it = active.begin(); it != active.end();) it = (*it == ship) ? active.erase(it) : it + 1;
        delete ship;
        ship = nullptr;
    }
}

void Game::run(int argc, char** argv) {
    startUp(argc, argv);
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

const char* Game::currentTitle() const {
    return session.currentEffectGroup ? session.currentEffectGroup->getTitle() : nullptr;
}

void Game::updateEffectContext() {
    EffectContext& context = effectContext();
    context.playing = state == Playing;
    context.ship = ship;
    context.logger = config.logger;
}

const GameConfig& GameHost::getConfig() const { return game.getConfig(); }
float GameHost::getEyeZ() const { return game.getChaseCamera().getEye().z; }
int GameHost::getScore() const { return game.getScore(); }
Spaceship* GameHost::getShip() { return game.getShip(); }
bool GameHost::hasNextStyle() const {
    const EffectGroup* group = game.getCurrentEffectGroup();
    return group && group->getNext();
}
void GameHost::addHitScore() { game.addHitScore(); }
void GameHost::onShipHit() { game.onShipHit(); }
void GameHost::nextEffectGroup() { game.nextEffectGroup(); }
void GameHost::clearBullets() { game.clearBullets(); }
void GameHost::addBullets(int n) { game.addBullets(n); }
void GameHost::playObjectSound(ObjectKind kind) { game.playObjectSound(kind); }
