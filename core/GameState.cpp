#include "core/GameState.h"

#include <algorithm>

GameState::GameState() { world.setHost(this); }

GameState::~GameState() {
    world.clear();  // never deletes the ship, which is ours
}

void GameState::start(uint32_t flightSeed, const FlightRules& flightRules, FlightMode flightMode) {
    world.clear();
    rules = flightRules;
    mode = flightMode;
    seed = flightSeed;
    random.seed(flightSeed);
    // The ground has a sequence of its own, so the terrain a seed gives never depends on
    // what was spawned or aimed before a chunk was due.
    terrainRandom.seed(flightSeed ^ 0x9e3779b9u);
    stepCount = 0;
    score = 0;
    scoreMultiplier = 1;
    style = 0;
    // Every flight starts with an empty gun, whatever an earlier flight or the demo left in it.
    bulletCount = 0;
    over = false;
    forwardSpeed = rules.startSpeed;
    firstSignShown = secondSignShown = false;
    events = StepEvents{};
    schedule.restart();

    world.reset(terrainRandom);
    ship = std::make_unique<Spaceship>();
    ship->setRotation(0, 90, 0);
    // Exactly -90 marks a ship that has not been on the ground yet.
    ship->setPosition(0, -90, -1.25f);
    world.addToActive(ship.get());

    chaseCamera.set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
}

void GameState::addHitScore() {
    // A finished flight keeps the score it had at the hit that ended it.
    if (over) return;
    score += 15 * scoreMultiplier;
    events.scorePaid += 15 * scoreMultiplier;
}

void GameState::onShipHit() {
    if (over) return;
    events.hits += 1;
    // The demo and the timedemo fly on through a hit: no style lost, no game over.
    if (mode != FlightMode::Player) return;
    if (style > 0) {
        style -= 1;
        scoreMultiplier -= 1;
        return;
    }
    over = true;
    events.gameOver = true;
}

void GameState::nextEffectGroup() {
    // In the demo the schedule chooses the styles, not the stars it takes.
    if (over || mode != FlightMode::Player) return;
    advanceStyle();
}

void GameState::advanceStyle() {
    if (hasNextStyle()) {
        style += 1;
        scoreMultiplier += 1;
        events.stylesForward += 1;
    }
    if (!hasNextStyle() && ship) ship->finalGroupReached = true;
}

void GameState::clearBullets() {
    events.bulletsLost += bulletCount;
    bulletCount = 0;
}

void GameState::addBullets(int n) {
    if (!over) bulletCount += n;
}

namespace {

// FNV-1a over the bytes of each value, floats by their bits.
struct Fingerprint {
    uint64_t hash = 1469598103934665603ull;
    void bytes(const void* data, size_t size) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    }
    template <class T>
    void add(const T& value) {
        bytes(&value, sizeof value);
    }
    void add(const float3& v) {
        add(v.x), add(v.y), add(v.z);
    }
    void add(const Camera& c) {
        add(c.getEye()), add(c.getCenter()), add(c.getUp());
    }
    void add(const GameObject& o) {
        add(static_cast<int>(o.getKind()));
        add(o.getPosition()), add(o.getRotation()), add(o.getVelocity()), add(o.getAngularVelocity()), add(o.getScale());
    }
};

}  // namespace

uint64_t GameState::checksum() const {
    Fingerprint f;
    f.add(static_cast<int>(mode)), f.add(seed), f.add(stepCount), f.add(score), f.add(scoreMultiplier);
    f.add(style), f.add(bulletCount), f.add(over), f.add(forwardSpeed), f.add(firstSignShown), f.add(secondSignShown);
    f.add(chaseCamera), f.add(random.state()), f.add(terrainRandom.state());
    if (ship) f.add(ship->getMotionState()), f.add(ship->finalGroupReached);
    f.add(world.bulletHintPending), f.add(world.starHintPending), f.add(world.signPosition);
    f.add(world.getSpawnPressure()), f.add(world.getStarTimer()), f.add(world.getSeaPhase()), f.add(world.getSeaLevel());
    for (const GameObject* obj : world.getActiveObjects()) f.add(*obj);
    // The hinted objects by their place in the list.
    const std::vector<GameObject*>& active = world.getActiveObjects();
    for (const GameObject* obj : world.getHintedObjects())
        f.add(static_cast<long>(std::find(active.begin(), active.end(), obj) - active.begin()));
    for (const StripChunk& chunk : world.getTerrain().getChunks()) {
        f.add(chunk.z);  // not the serial: that only tells the renderer its uploads apart
        const std::vector<float3>& v = chunk.grid->getVertices();
        f.bytes(v.data(), v.size() * sizeof(float3));
    }
    return f.hash;
}
