#include "core/Demo.h"

#include <algorithm>
#include <cmath>

#include "core/Step.h"

namespace demo {

namespace {

constexpr float kLookAhead = 9.0f;  // how far ahead (units) the pilot looks
constexpr float kClearance = 0.35f; // kept between the hulls when passing an asteroid
constexpr float kFieldHalfWidth = 3.3f;  // the ship stops at 3.5
constexpr float kDeadBand = 0.08f;  // close enough to the line: no steering, no wobble

// Sideways position of obj once the ship has closed the gap ahead of it.
float xOnArrival(const GameObject* obj, float ahead, float forwardSpeed) {
    const float3 v = obj->getVelocity();
    const float closing = std::max(forwardSpeed + v.z, 1e-4f);
    return obj->getPosition().x + v.x * std::max(ahead, 0.0f) / closing;
}

}  // namespace

Input autopilot(const GameState& state) {
    Input input;
    if (!state.ship) return input;
    const Spaceship& ship = *state.ship;
    const std::vector<GameObject*>& objects = state.world.getActiveObjects();
    const float forwardSpeed = state.forwardSpeed;
    const float3 p = ship.getPosition();
    const float shipRadius = ship.getRadius();

    // Aim: the nearest star ahead, else the middle.
    float target = 0.0f;
    float nearestStar = kLookAhead;
    for (const GameObject* obj : objects) {
        const float ahead = p.z - obj->getPosition().z;
        if (obj->getKind() == ObjectKind::Star && ahead > 0.3f && ahead < nearestStar) {
            nearestStar = ahead;
            target = xOnArrival(obj, ahead, forwardSpeed);
        }
    }

    // Dodge: move the line beside every asteroid ahead that lies across it, to the side that
    // is nearer the ship; twice, so that a dodge into a second asteroid is seen.
    bool jump = false;
    for (int pass = 0; pass < 2; ++pass) {
        for (const GameObject* obj : objects) {
            if (obj == &ship || !obj->isAsteroid()) continue;
            const float ahead = p.z - obj->getPosition().z;
            if (ahead < -0.5f || ahead > kLookAhead) continue;
            const float3 a{xOnArrival(obj, ahead, forwardSpeed), 0, 0};
            const float reach = obj->getRadius() + shipRadius + kClearance;
            if (std::fabs(a.x - target) >= reach) continue;
            float side = p.x >= a.x ? 1.0f : -1.0f;
            if (std::fabs(a.x + side * reach) > kFieldHalfWidth) side = -side;
            target = a.x + side * reach;
            // Too close to get round: jump it.
            if (pass == 0 && ahead > 0 && ahead < 1.2f && std::fabs(a.x - p.x) < reach) jump = true;
        }
    }
    target = std::clamp(target, -kFieldHalfWidth, kFieldHalfWidth);

    input.set(Input::Left, p.x > target + kDeadBand);
    input.set(Input::Right, p.x < target - kDeadBand);
    input.set(Input::Jump, jump && ship.getMotionState() == OnGround);
    return input;
}

int Schedule::advance(float dtMs) {
    elapsedMs += dtMs;
    const int due = style() - shown;
    shown = style();
    return due;
}

int Schedule::style() const {
    const int index = static_cast<int>(elapsedMs / kStyleMs);
    return std::clamp(index, 0, styles - 1);
}

}  // namespace demo
