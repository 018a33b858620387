#include "core/Step.h"

#include <algorithm>
#include <cmath>

#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"

double softLimit(double x) {
    const double bound = 1.5;
    if (x > bound) return std::tanh(x - bound) + bound;
    if (x < -bound) return std::tanh(x + bound) - bound;
    return x;
}

void StepClock::add(uint32_t elapsedMs) { pendingMs += std::min(static_cast<float>(elapsedMs), kMaxElapsedMs); }

bool StepClock::takeStep(float stepMs) {
    // Strictly more: exactly one step's time waits for the next call.
    if (!(pendingMs > stepMs)) return false;
    pendingMs -= stepMs;
    return true;
}

namespace {

// The actions pressed since the last step, as the keys did them before the step ran.
void applyPresses(GameState& s, const Input& input) {
    Spaceship& ship = *s.ship;
    const FlightRules& rules = s.rules;
    if (input.has(Input::Jump) && ship.getMotionState() != Jumping) {
        ship.addVelocity(0, rules.steerRate * 1.75f, 0);
        ship.setMotionState(Jumping);
        s.events.jumped = true;
    }
    if (input.has(Input::Sink) && (ship.getMotionState() == Jumping || ship.getMotionState() == Airborne))
        ship.addVelocity(0, -rules.steerRate, 0);
    if (input.has(Input::Fire) && s.bulletCount > 0) {
        s.bulletCount -= 1;
        auto* bullet = new Bullet();
        const float3 p = ship.getPosition();
        bullet->setPosition(p.x, p.y, p.z - 0.3f);  // just ahead of the ship
        bullet->setVelocity(0, 0, -0.01f);
        s.world.addToActive(bullet);
        s.events.fired = true;
    }
    if (input.has(Input::TestAsteroid)) s.world.addObject(new Asteroid(1.5f, s.random), false);
    if (input.has(Input::TestStarPowerUp)) s.world.addObject(new PowerUp(), false);
    if (input.has(Input::TestBulletPowerUp)) s.world.addObject(new BulletPowerUp(), false);
    // As an asteroid's hit, without its sound, knock-back or loss of bullets.
    if (input.has(Input::TestHit)) s.onShipHit();
    if (input.has(Input::TestStar)) s.nextEffectGroup();
    if (input.has(Input::NextStyle)) s.advanceStyle();
    if (input.has(Input::EndFlight) && s.mode == FlightMode::Player) {
        s.over = true;
        s.events.gameOver = true;
    }
}

void followShip(Camera& chase, const Spaceship& ship, float advance) {
    const float3 e = chase.getEye();
    const float3 c = chase.getCenter();
    const float3 s = ship.getPosition();
    const float eyeY = static_cast<float>(e.y * 0.9 + (s.y + 1.4) * 0.1);
    const float centreY = static_cast<float>(c.y * 0.9 + (s.y + 0.5) * 0.1);
    const float centreX = static_cast<float>(softLimit(c.x * 0.9 + s.x * 0.1));
    const float eyeX = static_cast<float>(softLimit(e.x * 0.9 + s.x * 0.1));

    chase.moveEye(0, 0, -advance);
    chase.setEye(eyeX, eyeY, chase.getEye().z);
    chase.moveCenter(0, 0, -advance);
    chase.setCenter(centreX, centreY, chase.getCenter().z);
}

void steer(Spaceship& ship, bool left, bool right, const FlightRules& rules) {
    const float dt = rules.stepMs;
    const bool jumping = ship.getMotionState() == Jumping;
    const float d = jumping ? 300.0f : 60.0f;
    if (left && !right) {
        ship.addVelocity(-rules.steerRate * dt / d, 0, 0);
    } else if (right && !left) {
        ship.addVelocity(rules.steerRate * dt / d, 0, 0);
    } else if (!left && !right && !jumping) {
        const float vx = ship.getVelocity().x;
        ship.addVelocity(-vx * dt / 20, 0, 0);
        if (std::fabs(ship.getVelocity().x) < 0.0009f) {
            const float3 vel = ship.getVelocity();
            ship.setVelocity(0, vel.y, vel.z);
        }
    }
    const float3 vel = ship.getVelocity();
    ship.setVelocity(std::clamp(vel.x, -0.005f, 0.005f), vel.y, vel.z);
}

// Each warning sign stands ahead of the ship shortly before the score reaches its threshold;
// one sign per step at most.
void placeSigns(GameState& s) {
    const float shipZ = s.ship->getPosition().z;
    if (s.score > s.rules.firstScoreThreshold - 250 && !s.firstSignShown) {
        s.world.placeSign(shipZ);
        s.firstSignShown = true;
    } else if (s.score > s.rules.secondScoreThreshold - 250 && !s.secondSignShown) {
        s.world.placeSign(shipZ);
        s.secondSignShown = true;
    }
}

}  // namespace

StepEvents step(GameState& s, const Input& input, const Ground& ground) {
    s.events = StepEvents{};
    if (s.over || !s.ship) return StepEvents{};

    applyPresses(s, input);
    if (s.over) return std::move(s.events);

    const FlightRules& rules = s.rules;
    const float dt = rules.stepMs;
    const float advance = s.forwardSpeed * dt;
    followShip(s.chaseCamera, *s.ship, advance);
    s.ship->movePosition(0, 0, -advance);

    s.forwardSpeed += rules.acceleration;
    if (!(s.forwardSpeed < rules.maxSpeed)) s.forwardSpeed = rules.maxSpeed;

    steer(*s.ship, input.has(Input::Left), input.has(Input::Right), rules);
    s.world.update(dt);
    if (!s.over) placeSigns(s);

    if (s.mode == FlightMode::Demo)
        for (int due = s.schedule.advance(dt); due > 0; --due) s.advanceStyle();

    s.world.recycleTerrain(s.chaseCamera.getEye().z, s.terrainRandom);
    if (s.stepCount % kGroundEverySteps == 0 && ground) s.world.updateHeights(ground);
    s.stepCount += 1;
    return std::move(s.events);
}

void InputQueue::press(Input::Bit action) {
    for (int i = 0; i < 16; ++i)
        if (action & (1u << i)) pending[i] += 1;
}

Input InputQueue::take() {
    Input input;
    input.bits = heldBits;
    for (int i = 0; i < 16; ++i) {
        if (pending[i] <= 0) continue;
        pending[i] -= 1;
        input.bits |= static_cast<uint16_t>(1u << i);
    }
    return input;
}

void InputQueue::clear() {
    heldBits = 0;
    for (int& n : pending) n = 0;
}
