#pragma once
#include <cstdlib>

// The object rules (spawn chance, sizes, spins, placement, aiming) are tuned for random
// values 0..32767; the platform's rand() may reach further, so its low 15 bits are used.
// One call draws exactly one rand() value, so a seeded run replays the same sequence.
inline int gameRandom() { return std::rand() % 32768; }
