#include "objects/BulletPowerUp.h"

#include "objects/World.h"
#include "objects/WorldHost.h"

BulletPowerUp::BulletPowerUp() : GameObject(ObjectKind::BulletPowerUp) {}

BulletPowerUp::~BulletPowerUp() {}

void BulletPowerUp::onCollision(Spaceship*) {
    WorldHost* game = host();
    if (!game) return;
    game->playObjectSound(kind);
    game->addBullets(3);
    // The player knows this power-up now: no more arrows over it.
    world->bulletHintPending = false;
}
