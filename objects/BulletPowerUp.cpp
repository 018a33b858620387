#include <GL/glew.h>

#include "objects/BulletPowerUp.h"

#include <string>

#include "core/Game.h"

namespace {
// Names built once: creating an object during play then allocates nothing but itself.
const std::string kTexture = "bullet-powerup.jpg";
const std::string kModel = "Modells/bullet-powerup.obj";
const std::string kSound = "Sounds/bulletpowerup.wav";
}  // namespace

BulletPowerUp::BulletPowerUp() : GameObject() {
    ResourceCache& cache = Game::instance().getResourceCache();
    texture = cache.getTexture(kTexture, GL_TEXTURE_2D);
    model = cache.getModel(kModel);
    displayList = cache.getDisplayList(model);
    scale = float3{0.16f, 0.16f, 0.16f};
    angularVelocity = float3{0.0f, 0.25f, 0.0f};
    sound = cache.getSound(kSound);
}

BulletPowerUp::~BulletPowerUp() {}

void BulletPowerUp::onCollision(Spaceship*) {
    Game& game = Game::instance();
    game.playObjectSound(sound);
    game.addBullets(3);
    // The player knows this power-up now: no more arrows over it.
    game.getWorld().bulletHintPending = false;
}
