#pragma once

// GLUT takes plain functions: each forwards its arguments to the same handler of the one Game.
void displayCallback();
void idleCallback();
void keyboardCallback(unsigned char key, int x, int y);
void keyboardUpCallback(unsigned char key, int x, int y);
void specialCallback(int key, int x, int y);
void specialUpCallback(int key, int x, int y);
void reshapeCallback(int width, int height);
void windowStatusCallback(int status);
void joystickCallback(unsigned int buttons, int x, int y, int z);
