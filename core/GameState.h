#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Demo.h"
#include "core/FlightRules.h"
#include "objects/Camera.h"
#include "objects/Spaceship.h"
#include "objects/World.h"
#include "objects/WorldHost.h"
#include "platform/Random.h"
#include "terrain/Ground.h"

// The render styles a flight walks through: the index of the current one is the level.
constexpr int kStyleCount = 11;

// What one step reports: what the game around the flight plays, shows and records.
struct StepEvents {
    std::vector<ObjectKind> contacts;  // the ship touched an object of each kind, in order
    bool jumped = false;
    bool fired = false;
    int stylesForward = 0;   // a star (or the demo's schedule) moved the flight on
    int hits = 0;            // hits taken; each moved one style back or ended the flight
    int bulletsLost = 0;       // the bullets a hit took out of the gun
    bool gameOver = false;     // a hit in the first style: the flight is over, its score final
    int scorePaid = 0;         // points earned by objects leaving the field
    std::vector<float3> knocks;  // where a bullet or a knocked object struck a target
    int asteroidsShot = 0;       // asteroids a bullet struck
};

// Who flies: a player, the attract mode's demo (its schedule shows every style, hits cost
// nothing) or the timedemo (hits cost nothing; the styles move on when it says).
enum class FlightMode { Player, Demo, Timedemo };

// Everything a flight is, and nothing else: the score and multiplier, the current style as an
// index into the eleven, the gun, the ship, the world's objects, the terrain's height grids,
// the signs, the sea, the cameras and the flight's own random sources. One step (step.h)
// moves it on; the renderer reads it and changes nothing. The same seed, inputs and ground
// answers give the same state, whatever the frames did.
struct GameState final : WorldHost {
    GameState();
    ~GameState() override;
    GameState(const GameState&) = delete;
    GameState& operator=(const GameState&) = delete;

    // A new flight: seeded, in the first style, the ship parked above the start (the first
    // ground answer puts it on the ground), the cameras behind it.
    void start(uint32_t seed, const FlightRules& flightRules, FlightMode flightMode = FlightMode::Player);
    bool started() const { return ship != nullptr; }

    FlightRules rules;
    FlightMode mode = FlightMode::Player;
    uint32_t seed = 0;
    long stepCount = 0;  // steps since the start
    int score = 0;
    int scoreMultiplier = 1;
    int style = 0;  // 0 is the first style; kStyleCount - 1 the last
    int bulletCount = 0;
    bool over = false;  // once set, nothing changes the flight any more
    float forwardSpeed = 0.0f;
    bool firstSignShown = false;   // the swarm sign has been placed
    bool secondSignShown = false;  // the attack sign has been placed
    Camera chaseCamera;
    std::unique_ptr<Spaceship> ship;
    World world;
    Random random;         // every random rule: spawning, sizes, spins, placement, aiming
    Random terrainRandom;  // the relief of new terrain chunks
    demo::Schedule schedule;  // the demo's styles
    StepEvents events;  // collected during a step

    // What the world's rules ask and report.
    const FlightRules& getRules() const override { return rules; }
    float getEyeZ() const override { return chaseCamera.getEye().z; }
    int getScore() const override { return score; }
    Spaceship* getShip() override { return ship.get(); }
    bool hasNextStyle() const override { return style + 1 < kStyleCount; }
    Random& getRandom() override { return random; }
    void addHitScore() override;
    void onShipHit() override;
    void nextEffectGroup() override;
    void clearBullets() override;
    void addBullets(int n) override;
    void playObjectSound(ObjectKind kind) override { events.contacts.push_back(kind); }
    void onKnock(const float3& at) override { events.knocks.push_back(at); }
    void onAsteroidShot() override { events.asteroidsShot += 1; }

    // One style on (a star, F3, the demo's schedule), its multiplier with it.
    void advanceStyle();

    // A fingerprint of everything above, bit for bit: two flights with the same fingerprint
    // are the same flight.
    uint64_t checksum() const;
};
