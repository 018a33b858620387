#pragma once
#include "objects/GameObject.h"

// The star: moves the game to the next effect group and raises the multiplier.
class PowerUp : public GameObject {
public:
    PowerUp();
    ~PowerUp() override;
    void onCollision(Spaceship* ship) override;
};
