#pragma once
#include "framework/VectorMath.h"
#include "objects/ObjectKind.h"

struct FlightRules;
class Random;
class Spaceship;

// What the world's rules need from the flight around them, and what they report to it. The
// flight's state implements it; the world and its objects never reach for anything else.
class WorldHost {
public:
    virtual ~WorldHost() = default;
    virtual const FlightRules& getRules() const = 0;
    // z of the chase camera's eye: the field runs from 31 units ahead of it to 2 behind.
    virtual float getEyeZ() const = 0;
    virtual int getScore() const = 0;
    virtual Spaceship* getShip() = 0;
    // Whether a star can still move the game to a further style.
    virtual bool hasNextStyle() const = 0;
    // The flight's random source: every random rule draws from it.
    virtual Random& getRandom() = 0;

    virtual void addHitScore() = 0;
    virtual void onShipHit() = 0;
    virtual void nextEffectGroup() = 0;
    virtual void clearBullets() = 0;
    virtual void addBullets(int n) = 0;
    virtual void playObjectSound(ObjectKind kind) = 0;
    // A bullet (or a knocked object) struck a target at this point.
    virtual void onKnock(const float3& at) = 0;
    // A bullet struck an asteroid (the statistics count them).
    virtual void onAsteroidShot() = 0;
};
