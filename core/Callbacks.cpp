#include "core/Callbacks.h"

#include "core/Game.h"

void displayCallback() { Game::instance().display(); }
void idleCallback() { Game::instance().idle(); }
void keyboardCallback(unsigned char key, int x, int y) { Game::instance().keyboard(key, x, y); }
void keyboardUpCallback(unsigned char key, int x, int y) { Game::instance().keyboardUp(key, x, y); }
void specialCallback(int key, int x, int y) { Game::instance().special(key, x, y); }
void specialUpCallback(int key, int x, int y) { Game::instance().specialUp(key, x, y); }
void reshapeCallback(int width, int height) { Game::instance().reshape(width, height); }
void windowStatusCallback(int status) { Game::instance().windowStatus(status); }
void joystickCallback(unsigned int buttons, int x, int y, int z) { Game::instance().joystick(buttons, x, y, z); }
