#pragma once
#include <vector>

#include "framework/VectorMath.h"

class GameObject;
class Terrain;
class Texture;

// The playing field: live objects, pending removals, hinted power-ups, terrain, sea, sky and sign.
class World {
public:
    World();
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    void reset();
    void clear();
    void addToActive(GameObject* obj);
    void addObject(GameObject* obj, bool hinted);
    void requestRemoval(GameObject* obj);
    void flushRemovals();
    void update(float dt);
    void updateHeights();
    void drawObjects();
    void drawSky(float nx, float ny, float nz);
    void drawSea();
    void drawTerrain(bool useShader, bool withFog, int mode);
    void drawSign(bool swarmSign, bool attackSign);
    void drawArrows();
    float getSeaLevel() const { return seaLevel; }

    // Moves P (away from the camera) and T (towards it) apart after a touch.
    static void knockAway(GameObject* p, GameObject* t);

    std::vector<GameObject*>& getActiveObjects() { return activeObjects; }
    const std::vector<GameObject*>& getHintedObjects() const { return hintedObjects; }
    const std::vector<GameObject*>& getPendingRemovals() const { return pendingRemovals; }
    Terrain* getTerrain() const { return terrain; }
    int getSpawnPressure() const { return spawnPressure; }
    void setSpawnPressure(int value) { spawnPressure = value; }
    int getStarTimer() const { return starTimer; }
    void setStarTimer(int value) { starTimer = value; }
    float getSeaPhase() const { return seaPhase; }
    Texture* getSkyTexture(int i) const { return skyTextures[i]; }

    bool bulletHintPending;
    bool starHintPending;
    float3 signPosition;

private:
    std::vector<GameObject*> activeObjects;
    std::vector<GameObject*> pendingRemovals;
    std::vector<GameObject*> hintedObjects;
    Terrain* terrain;
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

    bool isShip(const GameObject* obj) const;
};
