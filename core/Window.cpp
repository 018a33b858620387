#include <GL/glew.h>
#include <GL/freeglut.h>

#include "core/Game.h"
#include "framework/Screen.h"

void Game::reshape(int width, int height) {
    windowPixels[0] = width > 0 ? width : 1;
    windowPixels[1] = height > 0 ? height : 1;
    picture = fitPicture(windowPixels[0], windowPixels[1]);
    screen::setPicture({picture.x, picture.y, picture.width, picture.height});
    glutPostRedisplay();
}

float Game::pictureScale() const {
    return picture.height > 0 ? static_cast<float>(picture.height) / config.windowHeight : 1.0f;
}

void Game::beginFrame() {
    // Bars first, when the window is not 4:3: black, and never drawn into afterwards.
    if (picture.width != windowPixels[0] || picture.height != windowPixels[1]) {
        glDisable(GL_SCISSOR_TEST);
        glViewport(0, 0, windowPixels[0], windowPixels[1]);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    screen::applyPicture();
}

void Game::setFullscreen(bool on, bool remember) {
    if (on == fullscreen) return;
    if (on) {
        // Where the window was, to go back to it.
        windowedGeometry[0] = glutGet(GLUT_WINDOW_X);
        windowedGeometry[1] = glutGet(GLUT_WINDOW_Y);
        windowedGeometry[2] = glutGet(GLUT_WINDOW_WIDTH);
        windowedGeometry[3] = glutGet(GLUT_WINDOW_HEIGHT);
        glutFullScreen();
    } else {
        glutLeaveFullScreen();
        glutPositionWindow(windowedGeometry[0], windowedGeometry[1]);
        glutReshapeWindow(windowedGeometry[2], windowedGeometry[3]);
    }
    fullscreen = on;
    if (remember && settings.fullscreen != on) {
        settings.fullscreen = on;
        saveSettings();
    }
}

void Game::windowStatus(int status) {
    // Hidden, iconified or covered by another window: the player cannot see the flight.
    if (status == GLUT_HIDDEN || status == GLUT_FULLY_COVERED) pause();
}
