#include "objects/GameObject.h"
#include "objects/ResourceCache.h"
#include "objects/Spaceship.h"
#include "objects/World.h"

GameObject::GameObject()
    : position{0, 0, 0}, rotation{0, 0, 0}, velocity{0, 0, 0}, angularVelocity{0, 0, 0}, scale{0, 0, 0},
      asteroidMarker(false), displayList(0), model(nullptr), texture(nullptr), sound(nullptr) {}
GameObject::~GameObject() {}
void GameObject::draw() {}
void GameObject::update(float) {}
void GameObject::checkBounds() {}
float GameObject::getRadius() { return scale.x; }
void GameObject::onCollision(Spaceship*) {}
bool GameObject::isAsteroid() { return asteroidMarker; }
void GameObject::followGround(float) {}
Spaceship::Spaceship() : finalGroupReached(false), motionState(OnGround) {}
Spaceship::~Spaceship() {}
void Spaceship::draw() {}
void Spaceship::update(float) {}
void Spaceship::followGround(float) {}
World::World() : bulletHintPending(false), starHintPending(false), signPosition{0, 0, 0}, terrain(nullptr),
                 spawnPressure(0), skyTextures{}, seaTextures{}, signTextures{}, arrowTexture(nullptr),
                 starTimer(0), seaPhase(0), seaLevel(0) {}
World::~World() {}
ResourceCache::ResourceCache() {}
ResourceCache::~ResourceCache() {}
