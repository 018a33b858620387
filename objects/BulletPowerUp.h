#pragma once
#include "objects/GameObject.h"

// Refills the gun with three bullets when the ship touches it.
class BulletPowerUp : public GameObject {
public:
    BulletPowerUp();
    ~BulletPowerUp() override;
    void onCollision(Spaceship* ship) override;
};
