#include "core/Game.h"

void Game::initSound() {}
void Game::checkSoundResult(int) {}
void Game::playObjectSound(audio::Sound*) {}
void Game::advancePlaylist() {}
void Game::toggleMusicPause() {}
