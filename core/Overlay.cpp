#include "core/Game.h"

void Game::beginOverlay() {}
void Game::endOverlay() {}
void Game::drawImageQuad(Texture*, float, float, float, float, float, float) {}
void Game::drawFullScreenImage(Texture*) {}
void Game::drawEffectGroupLabel() {}
void Game::drawBulletDots() {}
void Game::drawNameEntryLines() {}
Texture* Game::labelTextureFor(const char*) const { return nullptr; }
