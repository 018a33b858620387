#pragma once
#include <cstdint>

#include "core/GameState.h"
#include "terrain/Ground.h"

// What the player (the keys, the gamepad) or the demo's autopilot says for one step: the
// arrows held, and the actions pressed since the last step (each taken by one step).
struct Input {
    enum Bit : uint16_t {
        Left = 1 << 0,   // held
        Right = 1 << 1,  // held
        Jump = 1 << 2,
        Sink = 1 << 3,
        Fire = 1 << 4,
        // The test keys: an asteroid, a star and a bullet power-up placed ahead, a hit, a star.
        TestAsteroid = 1 << 5,
        TestStarPowerUp = 1 << 6,
        TestBulletPowerUp = 1 << 7,
        TestHit = 1 << 8,
        TestStar = 1 << 9,
        // The timedemo's course: the next style now.
        NextStyle = 1 << 10,
        // The player ends the flight (from the pause panel): over, as after a last hit.
        EndFlight = 1 << 11,
    };
    uint16_t bits = 0;

    bool has(Bit bit) const { return (bits & bit) != 0; }
    void set(Bit bit, bool on = true) { bits = on ? (bits | bit) : (bits & ~bit); }
};

// The ground is asked every few steps: about as often as a frame at 60 frames a second asked
// it before, so the ship's springs keep the feel they were tuned for.
constexpr int kGroundEverySteps = 3;

// Advances the flight by one fixed step of rules.stepMs: the actions pressed, the cameras, the
// ship, the speed, the steering, the world (motion, spawning, contacts, scoring), the signs,
// the terrain chunks and, every kGroundEverySteps steps, the ground under every object.
// A finished flight does not move. Returns what happened.
StepEvents step(GameState& state, const Input& input, const Ground& ground);

// The steps' own clock: measured ms go in, whole steps come out, the rest waits.
class StepClock {
public:
    // The most time one call adds. After a stall (the process stopped, a debugger, a frozen
    // machine) the rest is dropped rather than simulated in one go: what was never seen
    // neither scores nor hits.
    static constexpr float kMaxElapsedMs = 250.0f;

    void add(uint32_t elapsedMs);
    // True (and the step's time taken) while more than one step is waiting.
    bool takeStep(float stepMs);
    void reset() { pendingMs = 0.0f; }
    float pending() const { return pendingMs; }

private:
    float pendingMs = 0.0f;
};

// The chase camera follows the ship sideways freely within 1.5 units of the centre line and
// ever more slowly beyond it, never passing 2.5.
double softLimit(double x);

// Key presses and releases come at any moment; the steps take them one Input at a time: the
// arrows as they are held now, and each action pressed since, one press per step.
class InputQueue {
public:
    void hold(Input::Bit arrow, bool down) {
        heldBits = down ? (heldBits | arrow) : (heldBits & ~arrow);
    }
    void press(Input::Bit action);
    Input take();
    void clear();  // every arrow released, every press forgotten
    bool held(Input::Bit arrow) const { return (heldBits & arrow) != 0; }

private:
    uint16_t heldBits = 0;
    int pending[16] = {};
};
