#pragma once
#include "objects/GameObject.h"

enum MotionState { OnGround = 0, Jumping = 1, Airborne = 2 };

// The player's craft.
class Spaceship : public GameObject {
public:
    Spaceship();
    ~Spaceship() override;
    void update(float dt) override;
    void followGround(float groundHeight) override;

    int getMotionState() const { return motionState; }
    void setMotionState(int state) { motionState = state; }

    bool finalGroupReached;

private:
    int motionState;
};
