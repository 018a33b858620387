#pragma once
#include <vector>

#include "framework/VectorMath.h"
#include "terrain/Ground.h"
#include "terrain/TerrainStrip.h"

class GameObject;
class Random;
class WorldHost;

// The playing field's rules: live objects, pending removals, hinted power-ups, spawning,
// contacts, the score sign, the sea's rise and fall and the terrain's height grids. Nothing
// here draws; the renderer reads it (render/Scenery).
class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // The flight around the world; the rules ask it for the camera, the score, the ship and
    // the random source, and report contacts to it.
    void setHost(WorldHost* h) { host = h; }
    WorldHost* getHost() const { return host; }

    // A new game's field: hints, star timer, spawn pressure and a new terrain strip whose
    // relief is drawn from terrainRandom. The objects are not touched (clear does that).
    void reset(Random& terrainRandom);
    void clear();
    void addToActive(GameObject* obj);
    void addObject(GameObject* obj, bool hinted);
    void requestRemoval(GameObject* obj);
    void flushRemovals();
    // One step: motion, spawning, contacts, objects that left the field (scored and removed),
    // the sea's rise and fall.
    void update(float dt);
    // Drops the terrain chunk the chase camera has passed and adds one at the far end.
    bool recycleTerrain(float chaseEyeZ, Random& terrainRandom) { return terrain.recycle(chaseEyeZ, terrainRandom); }
    // Puts every object on or above the ground (never below the sea) and stands the sign on it.
    void updateHeights(const Ground& ground);
    // The (x, z) pairs updateHeights asks for: every active object's, then the sign's.
    std::vector<float> heightQueryPoints() const;
    // Stands the score sign 30 units ahead of the ship and 6 to its left.
    void placeSign(float shipZ) { signPosition = float3{-6, 0, shipZ - 30}; }
    float getSeaLevel() const { return seaLevel; }
    float getSeaPhase() const { return seaPhase; }

    // Moves P (away from the camera) and T (towards it) apart after a touch.
    static void knockAway(GameObject* p, GameObject* t);

    const std::vector<GameObject*>& getActiveObjects() const { return activeObjects; }
    const std::vector<GameObject*>& getHintedObjects() const { return hintedObjects; }
    const std::vector<GameObject*>& getPendingRemovals() const { return pendingRemovals; }
    const TerrainStrip& getTerrain() const { return terrain; }
    int getSpawnPressure() const { return spawnPressure; }
    void setSpawnPressure(int value) { spawnPressure = value; }
    int getStarTimer() const { return starTimer; }
    void setStarTimer(int value) { starTimer = value; }

    bool bulletHintPending;
    bool starHintPending;
    float3 signPosition;

private:
    bool isShip(const GameObject* obj) const;
    void spawn();
    void resolveContacts();

    WorldHost* host;
    std::vector<GameObject*> activeObjects;
    std::vector<GameObject*> pendingRemovals;
    std::vector<GameObject*> hintedObjects;
    TerrainStrip terrain;
    int spawnPressure;
    int starTimer;
    float seaPhase;
    float seaLevel;
    // The ship last handed to addToActive: owned by the flight, never deleted here. Only the
    // address is compared, so it may already be gone when the world is cleared.
    GameObject* knownShip;
    std::vector<float> heights;  // reused by updateHeights
};
