#pragma once
#include <cstdlib>

// The game's random rules (spawn chance, sizes, spins, placement, aiming, terrain relief,
// noise) are written for values 0..32767; the platform's rand() may reach further, so only
// its low 15 bits are used. One call draws exactly one rand() value, so a run seeded with
// srand replays the same sequence.
inline int gameRandom() { return std::rand() % 32768; }
