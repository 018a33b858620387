#include <GL/glew.h>

#include "objects/PowerUp.h"

#include <string>

#include "core/Game.h"

namespace {
// Names built once: creating an object during play then allocates nothing but itself.
const std::string kTexture = "special-gold-texture.jpg";
const std::string kModel = "Modells/special-stern.obj";
const std::string kSound = "Sounds/powerup.wav";
}  // namespace

PowerUp::PowerUp() : GameObject() {
    ResourceCache& cache = Game::instance().getResourceCache();
    texture = cache.getTexture(kTexture, GL_TEXTURE_2D);
    model = cache.getModel(kModel);
    displayList = cache.getDisplayList(model);
    scale = float3{0.16f, 0.16f, 0.16f};
    angularVelocity = float3{0.0f, 0.0f, 0.25f};
    sound = cache.getSound(kSound);
}

PowerUp::~PowerUp() {}

void PowerUp::draw() { GameObject::draw(); }

void PowerUp::onCollision(Spaceship*) {
    Game& game = Game::instance();
    game.playObjectSound(sound);
    game.nextEffectGroup();
    game.getWorld().starHintPending = false;
}
