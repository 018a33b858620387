#pragma once
#include "objects/GameObject.h"

// Fired forward by the ship; pushes targets out of the field.
class Bullet : public GameObject {
public:
    Bullet();
    ~Bullet() override;
};
