#pragma once
#include "objects/GameObject.h"

class Random;

// Hurts the ship on contact; can be knocked away by bullets. Aims at the ship once the
// score is high.
class Asteroid : public GameObject {
public:
    // Size and spin are drawn from random (the flight's source).
    Asteroid(float sizeLimit, Random& random);
    ~Asteroid() override;
    void update(float dt) override;
    float getRadius() const override;
    void onCollision(Spaceship* ship) override;
};
