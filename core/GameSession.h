#pragma once
#include <cstdint>

class EffectGroup;

// Everything that belongs to one game and starts afresh with the next: newGame assigns a new
// value. (The bullets are not part of it: they carry over, and only a hit empties the gun.)
struct GameSession {
    EffectGroup* currentEffectGroup = nullptr;  // the render style; not owned
    int score = 0;
    int scoreMultiplier = 1;
    int scorePanelTimer = 0;  // simulated ms since the score panel was refreshed
    float forwardSpeed = 0.0f;
    uint32_t lastFrameTime = 0;  // timeGetTime at the end of the last simulation call
    float timeAccumulator = 0.0f;  // measured but not yet simulated, ms
    bool leftHeld = false;
    bool rightHeld = false;
    bool firstSignShown = false;   // the swarm sign has been placed
    bool secondSignShown = false;  // the attack sign has been placed
    int highscoreRank = 0;         // rank of the finished game's score
};
