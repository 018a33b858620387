#pragma once
#include <string>

#include "platform/Paths.h"

class Game;

// A fixed, seeded flight on the demo's autopilot through every style, the same frames in every
// run: framesPerStyle frames of each, the simulation advanced by the same time every frame.
// Each frame is timed from one finished buffer swap to the next.
struct TimedemoOptions {
    int framesPerStyle = paths::kTimedemoFrames;
    std::string csvFile;  // also write the table here as CSV; empty: only print it
    int renderScale = 100;  // the 3D scene's scale (RenderScale's choices: Auto, 100, 75, 50)
};

// Starts the game as run does (a start-up failure ends it as it ends the game), flies the
// course, prints the table and exits: 0, or 1 when the CSV file cannot be written.
[[noreturn]] void runTimedemo(Game& game, int argc, char** argv, const TimedemoOptions& options);
