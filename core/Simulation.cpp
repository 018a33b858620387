#include "core/Simulation.h"

#include <algorithm>
#include <cmath>

#include "core/GameConfig.h"
#include "core/GameSession.h"
#include "objects/Camera.h"
#include "objects/Spaceship.h"
#include "objects/World.h"

namespace simulation {

double softLimit(double x) {
    const double bound = 1.5;
    if (x > bound) return std::tanh(x - bound) + bound;
    if (x < -bound) return std::tanh(x + bound) - bound;
    return x;
}

void addElapsed(GameSession& session, uint32_t elapsedMs) {
    session.timeAccumulator += static_cast<float>(elapsedMs);
    if (session.timeAccumulator > kMaxPendingMs) session.timeAccumulator = kMaxPendingMs;
}

namespace {

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

void steer(Spaceship& ship, const GameSession& session, const GameConfig& config, float dt) {
    const bool jumping = ship.getMotionState() == Jumping;
    const float d = jumping ? 300.0f : 60.0f;
    const bool left = session.leftHeld;
    const bool right = session.rightHeld;
    if (left && !right) {
        ship.addVelocity(-config.steerRate * dt / d, 0, 0);
    } else if (right && !left) {
        ship.addVelocity(config.steerRate * dt / d, 0, 0);
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
void placeSigns(GameSession& session, World& world, const Spaceship& ship, const GameConfig& config) {
    if (session.score > config.firstScoreThreshold - 250 && !session.firstSignShown) {
        world.placeSign(ship.getPosition().z);
        session.firstSignShown = true;
    } else if (session.score > config.secondScoreThreshold - 250 && !session.secondSignShown) {
        world.placeSign(ship.getPosition().z);
        session.secondSignShown = true;
    }
}

}  // namespace

void step(const Parts& parts) {
    GameSession& session = parts.session;
    const GameConfig& config = parts.config;
    const float dt = config.stepMs;
    const float advance = session.forwardSpeed * dt;

    if (parts.ship) followShip(parts.chaseCamera, *parts.ship, advance);
    parts.topDownCamera.moveEye(0, 0, -advance);
    parts.topDownCamera.moveCenter(0, 0, -advance);
    if (parts.ship) parts.ship->movePosition(0, 0, -advance);

    session.forwardSpeed += config.acceleration;
    if (!(session.forwardSpeed < 0.08f)) session.forwardSpeed = 0.08f;

    if (parts.ship) steer(*parts.ship, session, config, dt);

    parts.world.update(dt);

    session.timeAccumulator -= dt;
    session.scorePanelTimer = static_cast<int>(session.scorePanelTimer + dt);

    if (parts.ship) placeSigns(session, parts.world, *parts.ship, config);
}

}  // namespace simulation
