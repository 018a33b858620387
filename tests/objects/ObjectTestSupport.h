#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "objects/GameObject.h"
#include "platform/Random.h"
#include "objects/Spaceship.h"
#include "objects/World.h"

namespace objtest {

// A game object with no resources, whose size, texture and list the test chooses, and which
// reports its collisions and its deletion.
class Probe : public GameObject {
public:
    explicit Probe(float radius = 0.1f, int* deletions = nullptr, int* collisionCount = nullptr)
        : deletions(deletions), collisionCount(collisionCount) {
        scale = float3{radius, radius, radius};
    }
    ~Probe() override {
        if (deletions) ++*deletions;
    }
    void onCollision(Spaceship* ship) override {
        ++collisions;
        if (collisionCount) ++*collisionCount;
        lastShip = ship;
    }
    void setTexture(Texture* t) { texture = t; }
    void setDisplayList(unsigned int list) { displayList = list; }
    void setScale(float s) { scale = float3{s, s, s}; }

    int collisions = 0;
    Spaceship* lastShip = nullptr;
    int* deletions;
    int* collisionCount;
};

// An effect group with a chosen display name, linked into the chain like every group.
class NamedGroup : public EffectGroup {
public:
    explicit NamedGroup(const char* groupName) { name = groupName; }
};

// Makes sure the object models and sounds are in the resource cache. Uses the game folder's
// data when it is there, otherwise small generated stand-ins loaded from a temp folder.
void ensureObjectResources();

// Resets the Game's run-time state that the object rules read, and empties its world.
void resetGame();

// The first seed from `from` on for which pred() holds right after srand(seed).
unsigned findSeed(const std::function<bool()>& pred, unsigned from = 1);

// Base fixture: a clean Game, a chase camera at a known place, resources loaded.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    Game& game() { return Game::instance(); }
    World& world() { return Game::instance().getWorld(); }
    // A fresh ship owned by the Game, first in the world's list, parked over eyeZ - 1.25.
    Spaceship* makeShip();
};

}  // namespace objtest
