#include <GL/glew.h>

#include "objects/Bullet.h"

#include <string>

#include "core/Game.h"

namespace {
// Names built once: creating an object during play then allocates nothing but itself.
const std::string kTexture = "bullet-texture.jpg";
const std::string kModel = "Modells/bullet.obj";
}  // namespace

Bullet::Bullet() : GameObject() {
    ResourceCache& cache = Game::instance().getResourceCache();
    texture = cache.getTexture(kTexture, GL_TEXTURE_2D);
    model = cache.getModel(kModel);
    displayList = cache.getDisplayList(model);
    scale = float3{0.05f, 0.05f, 0.05f};
}

Bullet::~Bullet() {}

void Bullet::draw() { GameObject::draw(); }

void Bullet::update(float dt) { GameObject::update(dt); }
