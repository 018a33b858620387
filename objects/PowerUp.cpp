#include "objects/PowerUp.h"

#include "objects/World.h"
#include "objects/WorldHost.h"

PowerUp::PowerUp() : GameObject(ObjectKind::Star) {}

PowerUp::~PowerUp() {}

void PowerUp::onCollision(Spaceship*) {
    WorldHost* game = host();
    if (!game) return;
    game->playObjectSound(kind);
    game->nextEffectGroup();
    world->starHintPending = false;
}
