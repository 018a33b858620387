#pragma once
#include "objects/ObjectKind.h"

class GameConfig;
class Spaceship;

// What the world's rules need from the game around them. The game implements it; the rules
// never reach up for the game object itself, so they run (and are tested) on their own.
class WorldHost {
public:
    virtual ~WorldHost() = default;
    virtual const GameConfig& getConfig() const = 0;
    // z of the chase camera's eye: the field runs from 31 units ahead of it to 2 behind.
    virtual float getEyeZ() const = 0;
    virtual int getScore() const = 0;
    virtual Spaceship* getShip() = 0;
    // Whether a star can still move the game to a further style.
    virtual bool hasNextStyle() const = 0;

    virtual void addHitScore() = 0;
    virtual void onShipHit() = 0;
    virtual void nextEffectGroup() = 0;
    virtual void clearBullets() = 0;
    virtual void addBullets(int n) = 0;
    virtual void playObjectSound(ObjectKind kind) = 0;
};
