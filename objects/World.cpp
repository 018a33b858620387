#include "objects/World.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "core/GameConfig.h"
#include "objects/Asteroid.h"
#include "objects/BulletPowerUp.h"
#include "objects/GameObject.h"
#include "objects/PowerUp.h"
#include "objects/Spaceship.h"
#include "objects/WorldHost.h"
#include "platform/Random.h"

namespace {

// The sea rises and falls by this much phase per simulated ms: the drift it had per frame at
// 60 frames a second, now the same at any frame rate.
constexpr float kSeaPhasePerMs = 0.00003f / (1000.0f / 60.0f);

float lengthOf(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

void removeAll(std::vector<GameObject*>& list, GameObject* obj) {
    list.erase(std::remove(list.begin(), list.end(), obj), list.end());
}

}  // namespace

World::World()
    : bulletHintPending(false),
      starHintPending(false),
      signPosition{0, 0, 0},
      host(nullptr),
      terrain(nullptr, nullptr),
      spawnPressure(0),
      skyTextures{},
      seaTextures{},
      signTextures{},
      arrowTexture(nullptr),
      starTimer(0),
      seaPhase(0),
      seaLevel(std::sin(0.0f) / 2.5f - 0.7f),
      knownShip(nullptr),
      resourceCache(nullptr) {}

World::~World() {
    terrain.reset();
    clear();
}

bool World::isShip(const GameObject* obj) const {
    return obj && (obj == knownShip || (host && obj == host->getShip()));
}

void World::resetRules() {
    starHintPending = true;
    bulletHintPending = true;
    starTimer = 0;
    spawnPressure = host ? host->getConfig().spawnPressureStart : 0;
}

void World::clear() {
    // Everything dropped here except the ship belongs to the world, including objects
    // still waiting for their removal step; each is deleted exactly once.
    std::unordered_set<GameObject*> doomed;
    std::vector<GameObject*> order;
    for (auto* list : {&activeObjects, &pendingRemovals, &hintedObjects}) {
        for (GameObject* obj : *list) {
            if (!obj || isShip(obj)) continue;
            if (doomed.insert(obj).second) order.push_back(obj);
        }
    }
    activeObjects.clear();
    pendingRemovals.clear();
    hintedObjects.clear();
    for (GameObject* obj : order) delete obj;
}

void World::addToActive(GameObject* obj) {
    if (Spaceship* ship = dynamic_cast<Spaceship*>(obj)) knownShip = ship;
    obj->setWorld(this);
    activeObjects.push_back(obj);
}

void World::addObject(GameObject* obj, bool hinted) {
    const float eyeZ = host ? host->getEyeZ() : 0.0f;
    obj->setRotation(0, -90, 0);
    // Three draws in a fixed order, so a seeded run places objects the same way.
    const float x = (gameRandom() % 100) / 100.0f * 15.0f - 7.5f;
    obj->setPosition(x, 0, eyeZ - 30.0f);
    const float vz = (gameRandom() % 1000) / 1000.0f * 0.002f;
    const float vx = -x / static_cast<float>((gameRandom() % 1000) + 6000);
    obj->setVelocity(vx, 0, vz);
    obj->setWorld(this);
    activeObjects.push_back(obj);
    if (hinted) hintedObjects.push_back(obj);
}

void World::requestRemoval(GameObject* obj) {
    // The ship is the Game's; removing it would leave the game without a player.
    if (!obj || isShip(obj)) return;
    pendingRemovals.push_back(obj);
}

void World::flushRemovals() {
    if (pendingRemovals.empty()) return;
    std::vector<GameObject*> doomed;
    doomed.swap(pendingRemovals);
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (GameObject* obj : doomed) {
        removeAll(activeObjects, obj);
        removeAll(hintedObjects, obj);
        delete obj;
    }
}

void World::update(float dt) {
    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->update(dt);

    seaPhase += kSeaPhasePerMs * dt;
    seaLevel = std::sin(4.0f * seaPhase) / 2.5f - 0.7f;

    if (!host) {
        flushRemovals();
        return;
    }
    const GameConfig& config = host->getConfig();
    spawnPressure = static_cast<int>(spawnPressure + config.spawnPressureGrowth * dt);
    starTimer = static_cast<int>(starTimer + dt);

    const int r = gameRandom() % 500000;
    if (spawnPressure / 100 > r) {
        Spaceship* ship = host->getShip();
        bool powerUp = false;
        if (spawnPressure > 10000) {
            const bool finalGroup = ship && ship->finalGroupReached;
            powerUp = gameRandom() % 100 < (finalGroup ? 22 : 42);
        }
        if (powerUp) {
            if (gameRandom() % 100 < 40) {
                addObject(new BulletPowerUp(), bulletHintPending);
            } else if (host->hasNextStyle() && starTimer > 2500) {
                addObject(new PowerUp(), starHintPending);
                starTimer = 0;
            }
        } else if (host->getScore() < config.firstScoreThreshold || gameRandom() % 100 >= 10) {
            addObject(new Asteroid(1.5f), false);
        } else {
            const int n = std::max(7, gameRandom() % 16);
            for (int i = 0; i < n; ++i) addObject(new Asteroid(0.06f), false);
        }
    }

    Spaceship* ship = host->getShip();
    const std::size_t count = activeObjects.size();
    for (std::size_t i = 0; i < count; ++i) {
        GameObject* a = activeObjects[i];
        for (std::size_t j = i + 1; j < count; ++j) {
            GameObject* b = activeObjects[j];
            const float3 pa = a->getPosition();
            const float3 pb = b->getPosition();
            const float gap = lengthOf(pa.x - pb.x, pa.y - pb.y, pa.z - pb.z);
            if (!(gap < a->getRadius() + b->getRadius())) continue;

            const float vza = a->getVelocity().z;
            const float vzb = b->getVelocity().z;
            if (vzb < 0 && vza > 0) {
                knockAway(b, a);
            } else if (vza < 0 && vzb > 0) {
                knockAway(a, b);
            } else if (ship && a == ship) {
                b->onCollision(ship);
                requestRemoval(b);
            } else if (ship && b == ship) {
                a->onCollision(ship);
                requestRemoval(a);
            }
        }
    }

    // What left the field scores and goes, in the step rather than when it is next drawn,
    // so the score does not depend on the frame rate.
    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->checkBounds();
    flushRemovals();
}

void World::knockAway(GameObject* p, GameObject* t) {
    const float3 pv = p->getVelocity();
    const float3 tv = t->getVelocity();
    const float3 dv{pv.x - tv.x, pv.y - tv.y, pv.z - tv.z};
    const float3 pp = p->getPosition();
    const float3 tp = t->getPosition();
    const float3 dp{pp.x - tp.x, pp.y - tp.y, pp.z - tp.z};

    const int overlap = static_cast<int>(p->getRadius() + t->getRadius() - lengthOf(dp.x, dp.y, dp.z));
    if (overlap > 0) t->movePosition(overlap, overlap, overlap);

    t->setVelocity(dv.x, 0, pv.z);
    p->setVelocity(-dv.x, 0, pv.z);
    t->addAngularVelocity(0, -dv.x * 5.0f, -dv.z * 5.0f);
}
