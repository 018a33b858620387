#include "core/Game.h"
#include "framework/Logger.h"
#include "framework/Texture.h"

void Game::initResources() {
    config.logger = new Logger();
    config.textureLoader = new TextureLoader();
}
