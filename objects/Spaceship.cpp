#include "objects/Spaceship.h"

#include "core/FlightRules.h"
#include "objects/WorldHost.h"

Spaceship::Spaceship() : GameObject(ObjectKind::Ship), finalGroupReached(false), motionState(OnGround) {}

Spaceship::~Spaceship() {}

void Spaceship::update(float dt) {
    if (motionState == Jumping || motionState == Airborne) velocity.y -= dt * 0.00001f;

    // Bank into the sideways motion; only the roll is kept within one turn.
    rotation.z -= velocity.x * dt * 100.0f;
    while (rotation.z > 360.0f) rotation.z -= 360.0f;
    while (rotation.z < -360.0f) rotation.z += 360.0f;

    if (velocity.x == 0.0f) {
        // Level out; past the vertical the ship keeps rolling over instead.
        if (rotation.z >= -90.0f && rotation.z <= 90.0f)
            rotation.z *= 0.98f;
        else
            rotation.z *= 1.01f;
    }

    const float previousY = position.y;
    GameObject::update(dt);
    rotation.x = (position.y - previousY) * 1000.0f;

    if (velocity.x < 0 && rotation.z > 90.0f && motionState != Jumping)
        rotation.z = 90.0f;
    else if (velocity.x > 0 && rotation.z < -90.0f && motionState != Jumping)
        rotation.z = -90.0f;

    if (position.x < -3.5f) {
        velocity.x = 0;
        position.x = -3.5f;
    } else if (position.x > 3.5f) {
        velocity.x = 0;
        position.x = 3.5f;
    }

    // Keep the ship between 0.5 and 3 units ahead of the chase camera.
    WorldHost* game = host();
    if (!game) return;
    const float eyeZ = game->getEyeZ();
    if (position.z > eyeZ - 0.5f) {
        velocity.z = 0;
        position.z = eyeZ - 0.5f;
    } else if (position.z < eyeZ - 3.0f) {
        velocity.z = 0;
        position.z = eyeZ - 3.0f;
    }
}

void Spaceship::followGround(float h) {
    const float ride = h + 0.2f;
    // A new game parks the ship at exactly -90 until the first ground height is known.
    if (position.y == -90.0f) movePosition(0, h + 90.0f + 0.2f, 0);

    if (position.y < h + 0.15f && velocity.y < 0) {
        position.y = ride;
        addVelocity(0, -velocity.y, 0);
    }

    const float lift = velocity.y > 0 ? velocity.y * 100.0f : 0.0f;
    if (position.y + lift < ride) {
        motionState = OnGround;
        // Spring: the deeper below the riding height, the harder the push up.
        WorldHost* game = host();
        const float stepMs = game ? game->getRules().stepMs : 5.0f;
        const float f = 2.0f * stepMs * (ride - position.y) / 500.0f;
        if (f > 0) addVelocity(0, f, 0);
    } else if (motionState != Jumping) {
        motionState = Airborne;
    }
}
