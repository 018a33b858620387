#pragma once
// A recorded flight flown again beside the player's, step for step: its own GameState, fed by a
// replay::Player with the recorded inputs and ground answers. It never touches the player's
// flight, its random sources or the ground, so the player's flight is the same with or without
// it. When its flight is over, or it strays from the recording, it fades out. Rules only.
#include <memory>

#include "core/GameState.h"
#include "core/Replay.h"

class Ghost {
public:
    static constexpr float kOpacity = 0.35f;
    static constexpr long kFadeSteps = 200;  // a second at 5 ms a step

    // Starts the recorded flight from its first step, as the game starts a flight.
    void start(replay::Replay recorded);
    void stop();
    // One step, in lockstep with the player's flight.
    void step();

    bool shown() const { return opacity() > 0.0f; }
    // kOpacity while it flies, falling to 0 over kFadeSteps once it is over or astray.
    float opacity() const;
    const GameState& flight() const { return state; }
    bool astray() const { return player && player->astray(); }

private:
    GameState state;
    std::unique_ptr<replay::Player> player;
    Ground ground;
    long goneFor = -1;  // steps since its flight ended or strayed; -1 while it flies
};
