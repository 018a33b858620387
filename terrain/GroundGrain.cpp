#include "terrain/GroundGrain.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace groundgrain {

namespace {

// The grain's read: the tile five times over, shifted by three eighths of it both ways.
int grainShift(int size) { return size * 3 / 8; }
constexpr float kStrength = 0.6f;
constexpr float kMeanWeight = 0.333f;  // the shader's dot(..., vec3(0.333))
constexpr double kMaxBakedBytes = 64.0 * 1024 * 1024;

// Where a column (or row) of the baked slice reads the file's: the plain read between the two
// texels around the finer texel's centre, the grain's read on a texel centre, tiling.
struct Place {
    int lo, hi, grain;
    float f;
};

std::vector<Place> places(int size) {
    std::vector<Place> p(static_cast<size_t>(size) * kScale);
    for (int i = 0; i < size * kScale; ++i) {
        const float at = (i + 0.5f) / kScale - 0.5f;
        const int lo = static_cast<int>(std::floor(at));
        p[i] = {(lo + size) % size, (lo + 1) % size, (i + grainShift(size)) % size, at - lo};
    }
    return p;
}

}  // namespace

bool bakes(int width, int height, int depth) {
    if (width <= 0 || height <= 0 || depth <= 0) return false;
    return 4.0 * kScale * kScale * width * static_cast<double>(height) * depth <= kMaxBakedBytes;
}

void bakeSlice(const uint8_t* slice, int width, int height, std::vector<uint8_t>& out) {
    const std::vector<Place> columns = places(width), rows = places(height);
    out.resize(columns.size() * rows.size() * 4);
    // In the bytes' own units: each texel's colour and its share of the grain, converted once.
    const size_t texels = static_cast<size_t>(width) * height;
    std::vector<float> colour(texels * 3), grainMean(texels);
    for (size_t i = 0; i < texels; ++i) {
        for (int k = 0; k < 3; ++k) colour[i * 3 + k] = slice[i * 4 + k];
        grainMean[i] = (colour[i * 3] + colour[i * 3 + 1] + colour[i * 3 + 2]) * kMeanWeight * kStrength;
    }
    uint8_t* o = out.data();
    for (const Place& row : rows) {
        const float* low = &colour[static_cast<size_t>(row.lo) * width * 3];
        const float* high = &colour[static_cast<size_t>(row.hi) * width * 3];
        const float* grainRow = &grainMean[static_cast<size_t>(row.grain) * width];
        for (const Place& col : columns) {
            float base[3];
            for (int k = 0; k < 3; ++k) {
                const float l = low[col.lo * 3 + k] + (low[col.hi * 3 + k] - low[col.lo * 3 + k]) * col.f;
                const float h = high[col.lo * 3 + k] + (high[col.hi * 3 + k] - high[col.lo * 3 + k]) * col.f;
                base[k] = l + (h - l) * row.f;
            }
            const float grain = grainRow[col.grain] - (base[0] + base[1] + base[2]) * kMeanWeight * kStrength;
            // Rounded to the nearest byte.
            for (int k = 0; k < 3; ++k) o[k] = static_cast<uint8_t>(std::clamp(base[k] + grain, 0.0f, 255.0f) + 0.5f);
            o[3] = 255;
            o += 4;
        }
    }
}

}  // namespace groundgrain
