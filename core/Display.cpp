#include <GL/glew.h>
#include <GL/freeglut.h>

#include "core/Game.h"

void Game::display() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    glutPostRedisplay();
}

void Game::nextEffectGroup() {}
void Game::onShipHit() {}
void Game::reloadHighscoreImage() {}
void Game::drawPlayingFrame() {}
void Game::drawOutlinePass() {}
