#include "core/Game.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "core/Callbacks.h"
#include "core/StartupChecks.h"
#include "objects/Spaceship.h"
#include "platform/SwapInterval.h"

Game& Game::instance() {
    static Game game;  // destroyed at exit: that is the game's tear-down
    return game;
}

Game::Game()
    : backdropPass(false),
      funkyPassFlag(false),
      state(Title),
      leftHeld(false),
      rightHeld(false),
      currentEffectGroup(nullptr),
      ship(nullptr),
      lastFrameTime(0),
      timeAccumulator(0.0f),
      score(0),
      scoreMultiplier(1),
      scorePanelTimer(0),
      ssao(nullptr),
      normalShader(nullptr),
      titleTexture(nullptr),
      creditsTexture(nullptr),
      enterNameTexture(nullptr),
      highscoreTexture(nullptr),
      labelTextures{},
      bulletCount(0),
      forwardSpeed(0.0f),
      firstSignShown(false),
      secondSignShown(false),
      highscoreRank(0),
      soundSystem(nullptr),
      effectsChannel(nullptr),
      objectChannel(nullptr),
      musicChannel(nullptr),
      fireSound(nullptr),
      jumpSound(nullptr),
      beamSound(nullptr),
      music(nullptr),
      musicPaused(false),
      playlist(nullptr),
      isPlaylist(false),
      musicPlaying(false),
      playlistIndex(0) {}

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
    wglSwapIntervalEXT(0);  // no wait for the vertical retrace
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
}
