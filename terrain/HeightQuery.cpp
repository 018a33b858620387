#include "core/Game.h"

void Game::renderTerrainPositions() {}
void Game::computeTerrainHeightAt(const std::vector<float>&, float*) {}
void Game::placeOnTerrain(std::vector<GameObject*>&) {}
