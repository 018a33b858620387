#include <GL/glew.h>

#include "objects/Asteroid.h"

#include <cmath>
#include <string>

#include "core/Game.h"
#include "platform/Random.h"
#include "objects/Spaceship.h"

namespace {
// Names built once: creating an object during play then allocates nothing but itself.
const std::string kTexture = "asteroid1-texture-final.jpg";
const std::string kModel = "Modells/asteroid1.obj";
const std::string kSound = "Sounds/collision.wav";
}  // namespace

Asteroid::Asteroid(float sizeLimit) : GameObject() {
    ResourceCache& cache = Game::instance().getResourceCache();
    texture = cache.getTexture(kTexture, GL_TEXTURE_2D);
    model = cache.getModel(kModel);
    displayList = cache.getDisplayList(model);

    const float base = sizeLimit < 0.1f ? sizeLimit / 10.0f : 0.1f;
    const float candidate = base + (gameRandom() % 1000) / 1000.0f * 0.5f;
    const float s = candidate > sizeLimit ? sizeLimit : candidate;
    scale = float3{s, s, s};

    // One draw per component, x first, so a seeded run spins the same way.
    angularVelocity.x = (gameRandom() % 1000) / 1000.0f * 0.2f;
    angularVelocity.y = (gameRandom() % 1000) / 1000.0f * 0.2f;
    angularVelocity.z = (gameRandom() % 1000) / 1000.0f * 0.2f;

    asteroidMarker = true;
    sound = cache.getSound(kSound);
}

Asteroid::~Asteroid() {}

void Asteroid::draw() { GameObject::draw(); }

void Asteroid::update(float dt) {
    Game& game = Game::instance();
    const int score = game.getScore();
    const int threshold = game.getConfig().secondScoreThreshold;

    bool aim = false;
    if (score >= 2 * threshold) aim = gameRandom() % 1000 < 60;
    if (!aim && score >= threshold) aim = gameRandom() % 10000 < 30;

    Spaceship* ship = game.getShip();
    if (aim && velocity.z > 0 && ship) {
        const float3 s = ship->getPosition();
        const float3 d{s.x - position.x, s.y - position.y, s.z - position.z};
        // Close to the ship the asteroid keeps its course.
        if (std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z) > 3.8f) velocity = float3{d.x / 1750.0f, d.y / 1000.0f, d.z / 7500.0f};
    }

    GameObject::update(dt);
}

float Asteroid::getRadius() { return 0.95f * scale.x; }

void Asteroid::onCollision(Spaceship* ship) {
    Game& game = Game::instance();
    game.playObjectSound(sound);
    game.onShipHit();
    game.clearBullets();
    if (ship) ship->addVelocity(-(position.x - ship->getPosition().x) * game.getConfig().steerRate, 0, 0);
}
