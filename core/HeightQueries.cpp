// The Game's height-query operations, forwarded to its TerrainHeightQuery with the game's
// cameras, world and settings.
#include "core/Game.h"

void Game::createHeightQueryTargets() {
    heightQuery.createTargets(config.logger, config.textureLoader, TerrainHeightQuery::kPositionWidth,
                             TerrainHeightQuery::kPositionHeight);
}

void Game::renderTerrainPositions() {
    heightQuery.renderPositions(topDownCamera, [this](bool s, bool f, int m) { world.drawTerrain(s, f, m); });
}

void Game::renderTerrainPositionsUnder(const std::vector<float>& points) {
    const std::vector<float> inside = TerrainHeightQuery::insideArea(topDownCamera, points);
    heightQuery.renderPositions(topDownCamera, [&](bool, bool, int) { world.drawTerrainAround(inside); });
}

void Game::computeTerrainHeightAt(const std::vector<float>& positions, float* heights) {
    heightQuery.computeHeightsAt(positions, heights);
}

void Game::placeOnTerrain(std::vector<GameObject*>& objects) {
    heightQuery.placeOnTerrain(objects, topDownCamera, world.getSeaLevel());
}
