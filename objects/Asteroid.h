#pragma once
#include "objects/GameObject.h"

// Hurts the ship on contact; can be knocked away by bullets. Aims at the ship once the
// score is high.
class Asteroid : public GameObject {
public:
    explicit Asteroid(float sizeLimit);
    ~Asteroid() override;
    void update(float dt) override;
    float getRadius() override;
    void onCollision(Spaceship* ship) override;
};
