#pragma once
#include <memory>
#include <vector>

#include "framework/VectorMath.h"

class Camera;
class GameObject;
class Terrain;
struct TerrainFrame;
class TerrainHeightQuery;
class ResourceCache;
class Texture;
class WorldHost;
struct StyleLook;

// The playing field: live objects, pending removals, hinted power-ups, the score sign and the
// sea level (the rules, World.cpp), and the terrain, sea, sky, sign and arrows drawn from them
// (the scenery, WorldDraw.cpp, on the drawing side).
class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // The game around the world; the rules ask it for the camera, the score and the ship.
    void setHost(WorldHost* h) { host = h; }
    // Where the scenery's pictures come from (drawing side).
    void setResourceCache(ResourceCache* cache) { resourceCache = cache; }
    WorldHost* getHost() const { return host; }

    // Rules.
    void resetRules();  // the per-game part of reset: hints, star timer, spawn pressure
    void clear();
    void addToActive(GameObject* obj);
    void addObject(GameObject* obj, bool hinted);
    void requestRemoval(GameObject* obj);
    void flushRemovals();
    // One step: motion, spawning, contacts, objects that left the field (scored and removed),
    // the sea's rise and fall.
    void update(float dt);
    // Stands the score sign 30 units ahead of the ship and 6 to its left.
    void placeSign(float shipZ) { signPosition = float3{-6, 0, shipZ - 30}; }
    float getSeaLevel() const { return seaLevel; }
    float getSeaPhase() const { return seaPhase; }

    // Moves P (away from the camera) and T (towards it) apart after a touch.
    static void knockAway(GameObject* p, GameObject* t);

    // Scenery (drawing side).
    void reset();  // resetRules, a new terrain and the scenery pictures
    void updateHeights(TerrainHeightQuery& query, const Camera& topDown);
    // The (x, z) pairs updateHeights asks for: every active object's, then the sign's.
    std::vector<float> heightQueryPoints() const;
    void drawObjects();
    void drawSky(float nx, float ny, float nz, const StyleLook& look);
    void drawSea(const StyleLook& look);
    // The sea's picture on unit 0 and its material, as the sea leaves them for what follows.
    void useSeaSurface(const StyleLook& look);
    float seaTextureT() const;  // where the sea picture starts along the flight
    void drawTerrain(bool useShader, bool withFog, int mode);
    void drawTerrainAround(const std::vector<float>& points);  // only the cells around the points
    void drawSign(bool swarmSign, bool attackSign);
    void drawArrows();

    std::vector<GameObject*>& getActiveObjects() { return activeObjects; }
    const std::vector<GameObject*>& getHintedObjects() const { return hintedObjects; }
    const std::vector<GameObject*>& getPendingRemovals() const { return pendingRemovals; }
    Terrain* getTerrain() const { return terrain.get(); }
    int getSpawnPressure() const { return spawnPressure; }
    void setSpawnPressure(int value) { spawnPressure = value; }
    int getStarTimer() const { return starTimer; }
    void setStarTimer(int value) { starTimer = value; }
    Texture* getSkyTexture(int i) const { return skyTextures[i]; }

    bool bulletHintPending;
    bool starHintPending;
    float3 signPosition;

private:
    TerrainFrame terrainFrame() const;  // what a terrain draw takes from the running game

    WorldHost* host;
    std::vector<GameObject*> activeObjects;
    std::vector<GameObject*> pendingRemovals;
    std::vector<GameObject*> hintedObjects;
    // Made and deleted by the drawing side only (reset); the deleter comes with it, so the
    // rules never need the terrain's GL code.
    std::unique_ptr<Terrain, void (*)(Terrain*)> terrain;
    int spawnPressure;
    Texture* skyTextures[3];
    Texture* seaTextures[3];
    Texture* signTextures[2];
    Texture* arrowTexture;
    int starTimer;
    float seaPhase;
    float seaLevel;
    // The ship last handed to addToActive: owned by the Game, never deleted here. Only the
    // address is compared, so it may already be gone when the world is cleared.
    GameObject* knownShip;

    ResourceCache* resourceCache;

    bool isShip(const GameObject* obj) const;
    float sceneryZ() const;
};
