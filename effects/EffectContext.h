#pragma once

class Logger;
class Spaceship;

// What the effects read about the game around them. The game keeps it up to date (the
// screen, the ship, the two pass flags of the display, the shared logger); the effects never
// reach up to the game for it.
struct EffectContext {
    bool playing = false;         // the running game is on screen
    const Spaceship* ship = nullptr;
    // Set while the display draws the sky backdrop in the styles that have one.
    bool backdropPass = false;
    // Cleared while the display draws the sea in the funky style.
    bool funkyPassFlag = false;
    // Set while the display draws the ground with the group's programs: those with a ground
    // variant use it (see Effect::addProgram).
    bool groundPass = false;
    Logger* logger = nullptr;  // for shader messages
};

EffectContext& effectContext();
