#include "objects/GameObject.h"

#include "objects/World.h"
#include "objects/WorldHost.h"

namespace {
GameObject::DrawFunction drawFunction = nullptr;
}

GameObject::GameObject(ObjectKind k)
    : kind(k),
      position{0, 0, 0},
      rotation{0, 0, 0},
      velocity{0, 0, 0},
      angularVelocity(objectKind(k).spin),
      scale{objectKind(k).scale, objectKind(k).scale, objectKind(k).scale},
      asteroidMarker(false),
      world(nullptr) {}

GameObject::~GameObject() {}

void GameObject::setDrawFunction(DrawFunction function) { drawFunction = function; }

void GameObject::draw() const {
    if (drawFunction) drawFunction(*this);
}

WorldHost* GameObject::host() const { return world ? world->getHost() : nullptr; }

void GameObject::update(float dt) {
    position.x += velocity.x * dt;
    position.y += velocity.y * dt;
    position.z += velocity.z * dt;
    rotation.x += angularVelocity.x * dt;
    rotation.y += angularVelocity.y * dt;
    rotation.z += angularVelocity.z * dt;
}

void GameObject::checkBounds() {
    WorldHost* game = host();
    if (!game) return;
    const float eyeZ = game->getEyeZ();
    // Behind the camera, or further ahead than any spawn point: the object left the field.
    if (position.z > eyeZ + 2.0f || position.z < eyeZ - 31.0f) {
        world->requestRemoval(this);
        game->addHitScore();
    }
}

float GameObject::getRadius() const { return scale.x; }

void GameObject::onCollision(Spaceship*) {}

bool GameObject::isAsteroid() const { return asteroidMarker; }

void GameObject::followGround(float groundHeight) {
    const float floor = getRadius() + groundHeight + 0.2f;
    // Objects drifting towards the camera ride on the surface; the others only never sink into it.
    if (velocity.z > 0 || position.y < floor) position.y = floor;
}

void GameObject::movePosition(float dx, float dy, float dz) {
    position.x += dx;
    position.y += dy;
    position.z += dz;
}

void GameObject::addVelocity(float dx, float dy, float dz) {
    velocity.x += dx;
    velocity.y += dy;
    velocity.z += dz;
}

void GameObject::addAngularVelocity(float dx, float dy, float dz) {
    angularVelocity.x += dx;
    angularVelocity.y += dy;
    angularVelocity.z += dz;
}
