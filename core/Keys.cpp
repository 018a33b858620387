#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdlib>

#include "core/Game.h"

void Game::keyboard(unsigned char key, int, int) {
    if (key == 27 || key == 'q') std::exit(0);
    glutPostRedisplay();
}
void Game::keyboardUp(unsigned char, int, int) {}
void Game::special(int key, int, int) {
    if (key == GLUT_KEY_F12) std::exit(0);
}
void Game::specialUp(int, int, int) {}
void Game::fire() {}
