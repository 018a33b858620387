#include "core/Game.h"

void Game::newGame() {}
void Game::idle() {}
void Game::step() {}
