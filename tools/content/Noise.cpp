#include "Content.h"

namespace content {

namespace {
int wrap(int v, int period) {
    if (period <= 0) return v;
    const int r = v % period;
    return r < 0 ? r + period : r;
}
}  // namespace

double latticeValue(int x, int y, int z, uint32_t seed) {
    uint32_t h = seed * 0x27d4eb2du;
    h ^= static_cast<uint32_t>(x) * 0x85ebca6bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xc2b2ae35u;
    h = (h << 11) | (h >> 21);
    h ^= static_cast<uint32_t>(z) * 0x165667b1u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return (h & 0xffffff) / static_cast<double>(0xffffff);
}

double periodicNoise(double x, double y, double z, int periodX, int periodY, int periodZ, uint32_t seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y)),
              z0 = static_cast<int>(std::floor(z));
    const double fx = x - x0, fy = y - y0, fz = z - z0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy), sz = fz * fz * (3 - 2 * fz);
    double c[2][2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j)
            for (int k = 0; k < 2; ++k)
                c[i][j][k] = latticeValue(wrap(x0 + i, periodX), wrap(y0 + j, periodY), wrap(z0 + k, periodZ), seed);
    const double x00 = mix(c[0][0][0], c[1][0][0], sx), x10 = mix(c[0][1][0], c[1][1][0], sx);
    const double x01 = mix(c[0][0][1], c[1][0][1], sx), x11 = mix(c[0][1][1], c[1][1][1], sx);
    return mix(mix(x00, x10, sy), mix(x01, x11, sy), sz);
}

double periodicFbm(double x, double y, double z, int periodX, int periodY, int periodZ, int octaves,
                   uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * periodicNoise(x, y, z, periodX, periodY, periodZ, seed + 101u * o);
        norm += amp;
        x *= 2;
        y *= 2;
        z *= 2;
        periodX *= 2;
        periodY *= 2;
        periodZ = periodZ > 0 ? periodZ * 2 : 0;
        amp *= 0.5;
    }
    return sum / norm;
}

}  // namespace content
