#pragma once
#include <cstdint>

// A seeded source of values 0..32767, the range the game's random rules (spawn chance, sizes,
// spins, placement, aiming, terrain relief) are written for. It is the classic linear
// congruential generator, computed in 32-bit unsigned arithmetic, so the same seed gives the
// same sequence on every machine and with every C library. Each owner keeps its own source:
// a flight draws only from its state's, so nothing drawn elsewhere (a frame, an effect's
// noise) can change what happens in it.
class Random {
public:
    explicit Random(uint32_t seed = 1) : value(seed) {}
    void seed(uint32_t s) { value = s; }
    int next() {
        value = value * 1103515245u + 12345u;
        return static_cast<int>((value >> 16) & 0x7fffu);
    }
    // Where the sequence stands: two sources with the same state draw the same values.
    uint32_t state() const { return value; }

private:
    uint32_t value;
};
