#include "objects/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "core/FlightRules.h"
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
      spawnPressure(0),
      starTimer(0),
      seaPhase(0),
      seaLevel(std::sin(0.0f) / 2.5f - 0.7f),
      knownShip(nullptr) {}

World::~World() { clear(); }

bool World::isShip(const GameObject* obj) const {
    return obj && (obj == knownShip || (host && obj == host->getShip()));
}

void World::reset(Random& terrainRandom) {
    std::printf("deleted terrain\n");
    starHintPending = true;
    bulletHintPending = true;
    starTimer = 0;
    spawnPressure = host ? host->getRules().spawnPressureStart : 0;
    // The sea starts each flight at the same point of its rise and fall, so that a seed
    // gives the same flight whatever came before it.
    seaPhase = 0;
    seaLevel = std::sin(0.0f) / 2.5f - 0.7f;
    terrain.reset(terrainRandom);
    std::printf("created new terrain\n");
    std::fflush(stdout);
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
    if (obj->getKind() == ObjectKind::Ship) knownShip = obj;
    obj->setWorld(this);
    activeObjects.push_back(obj);
}

void World::addObject(GameObject* obj, bool hinted) {
    const float eyeZ = host ? host->getEyeZ() : 0.0f;
    obj->setRotation(0, -90, 0);
    // Three draws in a fixed order, so a seeded flight places objects the same way.
    Random* random = host ? &host->getRandom() : nullptr;
    auto draw = [random] { return random ? random->next() : 0; };
    const float x = (draw() % 100) / 100.0f * 15.0f - 7.5f;
    obj->setPosition(x, 0, eyeZ - 30.0f);
    const float vz = (draw() % 1000) / 1000.0f * 0.002f;
    const float vx = -x / static_cast<float>((draw() % 1000) + 6000);
    obj->setVelocity(vx, 0, vz);
    obj->setWorld(this);
    activeObjects.push_back(obj);
    if (hinted) hintedObjects.push_back(obj);
}

void World::requestRemoval(GameObject* obj) {
    // The ship is the flight's; removing it would leave the game without a player.
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
    const FlightRules& rules = host->getRules();
    spawnPressure = static_cast<int>(spawnPressure + rules.spawnPressureGrowth * dt);
    starTimer = static_cast<int>(starTimer + dt);
    spawn();
    resolveContacts();

    // What left the field scores and goes, in the step rather than when it is next drawn,
    // so the score does not depend on the frame rate.
    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->checkBounds();
    flushRemovals();
}

void World::spawn() {
    Random& random = host->getRandom();
    const FlightRules& rules = host->getRules();
    // The values never pass 32767, so the modulo keeps the chance as small as it reads.
    const int r = random.next() % 500000;
    if (!(spawnPressure / 100 > r)) return;

    Spaceship* ship = host->getShip();
    bool powerUp = false;
    if (spawnPressure > 10000) {
        const bool finalGroup = ship && ship->finalGroupReached;
        powerUp = random.next() % 100 < (finalGroup ? 22 : 42);
    }
    if (powerUp) {
        if (random.next() % 100 < 40) {
            addObject(new BulletPowerUp(), bulletHintPending);
        } else if (host->hasNextStyle() && starTimer > 2500) {
            addObject(new PowerUp(), starHintPending);
            starTimer = 0;
        }
    } else if (host->getScore() < rules.firstScoreThreshold || random.next() % 100 >= 10) {
        addObject(new Asteroid(1.5f, random), false);
    } else {
        const int n = std::max(7, random.next() % 16);
        for (int i = 0; i < n; ++i) addObject(new Asteroid(0.06f, random), false);
    }
}

void World::resolveContacts() {
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
                host->onKnock(float3{(pa.x + pb.x) / 2, (pa.y + pb.y) / 2, (pa.z + pb.z) / 2});
                if (b->getKind() == ObjectKind::Bullet && a->getKind() == ObjectKind::Asteroid) host->onAsteroidShot();
            } else if (vza < 0 && vzb > 0) {
                knockAway(a, b);
                host->onKnock(float3{(pa.x + pb.x) / 2, (pa.y + pb.y) / 2, (pa.z + pb.z) / 2});
                if (a->getKind() == ObjectKind::Bullet && b->getKind() == ObjectKind::Asteroid) host->onAsteroidShot();
            } else if (ship && a == ship) {
                b->onCollision(ship);
                requestRemoval(b);
            } else if (ship && b == ship) {
                a->onCollision(ship);
                requestRemoval(a);
            }
        }
    }
}

void World::updateHeights(const Ground& ground) {
    const std::vector<float> points = heightQueryPoints();
    heights.assign(points.size() / 2, 0.0f);
    ground(points, heights);
    for (std::size_t k = 0; k < activeObjects.size() && k < heights.size(); ++k)
        activeObjects[k]->followGround(std::max(heights[k], seaLevel));  // never below the sea
    // The sign stands on the terrain itself; the sea does not lift it.
    if (!heights.empty()) signPosition.y = heights.back();
}

std::vector<float> World::heightQueryPoints() const {
    std::vector<float> points;
    points.reserve(2 * activeObjects.size() + 2);
    for (const GameObject* obj : activeObjects) {
        points.push_back(obj->getPosition().x);
        points.push_back(obj->getPosition().z);
    }
    points.push_back(signPosition.x);
    points.push_back(signPosition.z);
    return points;
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
