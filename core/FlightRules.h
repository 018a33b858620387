#pragma once

class GameConfig;

// The numbers a flight is played by, copied from the configuration when it starts, so a
// flight carries everything its rules read.
struct FlightRules {
    float stepMs = 5.0f;          // one simulation step
    float startSpeed = 0.005f;    // forward speed at the start, units per ms
    float acceleration = 1e-7f;   // added to the forward speed every step
    float maxSpeed = 0.08f;       // the cap
    float steerRate = 0.003f;     // sideways steering; also the jump and knock-back scale
    int firstScoreThreshold = 5000;    // swarms from here; the swarm sign 250 before
    int secondScoreThreshold = 15000;  // asteroids aim from here; the attack sign 250 before
    int spawnPressureStart = 5000;
    float spawnPressureGrowth = 1.0f;  // per simulated ms (the grades take other speeds)
};

// The game's own rules (Normal's): the demo and the timedemo fly by these.
FlightRules flightRules(const GameConfig& config);
