#include "objects/Asteroid.h"

#include <cmath>

#include "core/FlightRules.h"
#include "objects/Spaceship.h"
#include "objects/WorldHost.h"
#include "platform/Random.h"

Asteroid::Asteroid(float sizeLimit, Random& random) : GameObject(ObjectKind::Asteroid) {
    const float base = sizeLimit < 0.1f ? sizeLimit / 10.0f : 0.1f;
    const float candidate = base + (random.next() % 1000) / 1000.0f * 0.5f;
    const float s = candidate > sizeLimit ? sizeLimit : candidate;
    scale = float3{s, s, s};

    // One draw per component, x first, so a seeded run spins the same way.
    angularVelocity.x = (random.next() % 1000) / 1000.0f * 0.2f;
    angularVelocity.y = (random.next() % 1000) / 1000.0f * 0.2f;
    angularVelocity.z = (random.next() % 1000) / 1000.0f * 0.2f;

    asteroidMarker = true;
}

Asteroid::~Asteroid() {}

void Asteroid::update(float dt) {
    WorldHost* game = host();
    const int score = game ? game->getScore() : 0;
    const int threshold = game ? game->getRules().secondScoreThreshold : 0;

    bool aim = false;
    if (game && score >= 2 * threshold) aim = game->getRandom().next() % 1000 < 60;
    if (game && !aim && score >= threshold) aim = game->getRandom().next() % 10000 < 30;

    Spaceship* ship = game ? game->getShip() : nullptr;
    if (aim && velocity.z > 0 && ship) {
        const float3 s = ship->getPosition();
        const float3 d{s.x - position.x, s.y - position.y, s.z - position.z};
        // Close to the ship the asteroid keeps its course.
        if (std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) > 3.8f) velocity = float3{d.x / 1750.0f, d.y / 1000.0f, d.z / 7500.0f};
    }

    GameObject::update(dt);
}

float Asteroid::getRadius() const { return 0.95f * scale.x; }

void Asteroid::onCollision(Spaceship* ship) {
    WorldHost* game = host();
    if (!game) return;
    game->playObjectSound(kind);
    game->onShipHit();
    game->clearBullets();
    if (ship) ship->addVelocity(-(position.x - ship->getPosition().x) * game->getRules().steerRate, 0, 0);
}
