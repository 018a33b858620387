#pragma once
// The game around a World, reduced to what the rules ask of it, for tests that run the rules
// without a Game (and without GL): a configuration, a camera z, a score, a ship, a chain of
// styles as a position, and a record of every call the rules made.
#include <cstdlib>
#include <vector>

#include "core/GameConfig.h"
#include "objects/Spaceship.h"
#include "objects/World.h"
#include "objects/WorldHost.h"

struct RulesHost : WorldHost {
    GameConfig config;
    float eyeZ = 0.5f;
    int score = 0;
    int multiplier = 1;
    int style = 0;  // position in a chain of styleCount styles
    int styleCount = 11;
    int bullets = 0;
    int hits = 0;   // onShipHit calls
    bool gameOver = false;  // a hit in the first style
    Spaceship* ship = nullptr;
    std::vector<ObjectKind> sounds;

    const GameConfig& getConfig() const override { return config; }
    float getEyeZ() const override { return eyeZ; }
    int getScore() const override { return score; }
    Spaceship* getShip() override { return ship; }
    bool hasNextStyle() const override { return style + 1 < styleCount; }
    void addHitScore() override { score += 15 * multiplier; }
    void onShipHit() override {
        ++hits;
        if (style > 0) --style, --multiplier;
        else gameOver = true;
    }
    void nextEffectGroup() override {
        if (hasNextStyle()) ++style, ++multiplier;
    }
    void clearBullets() override { bullets = 0; }
    void addBullets(int n) override { bullets += n; }
    void playObjectSound(ObjectKind kind) override { sounds.push_back(kind); }
};

// A world wired to a RulesHost, with a ship the host owns (as the Game does) 1.75 ahead of
// the eye; spawning is off unless a test raises the pressure.
struct RulesWorld {
    RulesHost host;
    World world;
    RulesWorld() {
        world.setHost(&host);
        world.resetRules();
    }
    ~RulesWorld() {
        world.clear();  // never deletes the ship
        delete host.ship;
    }
    Spaceship* makeShip() {
        host.ship = new Spaceship();
        host.ship->setPosition(0, 0.2f, host.eyeZ - 1.75f);
        world.addToActive(host.ship);
        return host.ship;
    }
    template <class T>
    T* add(T* obj, float3 at, float3 velocity = float3{0, 0, 0}) {
        obj->setPosition(at.x, at.y, at.z);
        obj->setVelocity(velocity.x, velocity.y, velocity.z);
        world.addToActive(obj);
        return obj;
    }
    // One world step from a spawn pressure that the step raises to `pressure` (0: no spawn).
    void stepTo(int pressure, unsigned seed = 1) {
        world.setSpawnPressure(pressure - 5);
        std::srand(seed);
        world.update(5.0f);
    }
};
