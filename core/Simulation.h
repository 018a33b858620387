#pragma once
#include <cstdint>

class Camera;
class GameConfig;
class Spaceship;
class World;
struct GameSession;

// The rules of the running game that are not the world's own: the clock that cuts measured
// time into fixed steps, and what one step does to the cameras, the ship, the speed and the
// score signs. No drawing, no GL: tests run them on their own.
namespace simulation {

// The most simulation time one call catches up. After a stall (the process stopped, a
// debugger, a frozen machine) the rest is dropped rather than simulated in one go: what was
// never seen neither scores nor hits.
constexpr float kMaxPendingMs = 250.0f;

// The chase camera follows the ship sideways freely within 1.5 units of the centre line and
// ever more slowly beyond it, never passing 2.5.
double softLimit(double x);

struct Parts {
    GameSession& session;
    Camera& chaseCamera;
    Camera& topDownCamera;
    Spaceship* ship;
    World& world;
    const GameConfig& config;
};

// Adds elapsed ms to the pending time, dropping whatever lies beyond kMaxPendingMs.
void addElapsed(GameSession& session, uint32_t elapsedMs);

// One fixed step of stepMs: cameras, ship, speed, steering, the world, the score signs.
void step(const Parts& parts);

}  // namespace simulation
