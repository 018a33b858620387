#pragma once
// The content tool: writes every data file of the game (models, pictures, volume textures,
// sounds, the playlist and the font) into the game folder, the same bytes on every run.

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace content {

// Small deterministic generator (xorshift64*), so the output never depends on the C library.
class Rng {
public:
    explicit Rng(uint64_t seed) : state(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 2685821657736338717ull;
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    uint64_t state;
};

// Value noise on an integer lattice that wraps with the given periods, so textures made from
// it tile seamlessly. Lattice values come from a hash of the cell and the seed.
double latticeValue(int x, int y, int z, uint32_t seed);
double periodicNoise(double x, double y, double z, int periodX, int periodY, int periodZ, uint32_t seed);
// Sum of octaves; the periods double with each octave so the sum still tiles.
double periodicFbm(double x, double y, double z, int periodX, int periodY, int periodZ, int octaves,
                   uint32_t seed);

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double mix(double a, double b, double t) { return a + (b - a) * t; }
inline double smooth(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

bool writeModels(const std::string& gameDir);
bool writePictures(const std::string& gameDir);
bool writeVolumes(const std::string& gameDir);
bool writeSounds(const std::string& gameDir);
// The desktop icon into icons/ of the game folder (installed into the icon theme, not played).
bool writeIcons(const std::string& gameDir);

// Writes an uncompressed volume DDS (24-bit BGR in the file) of width x height x depth texels,
// given as RGB bytes, slice after slice, rows from the top.
bool writeVolumeDds(const std::string& path, int width, int height, int depth, const std::vector<uint8_t>& rgb);

}  // namespace content
