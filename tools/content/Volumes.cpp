// Volume textures for the terrain: slices from low ground (first) to high ground (last), each
// slice tileable in width and height.
#include <cstdio>

#include "Content.h"

namespace content {

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct Layer {
    int dark, light;  // colours at low and high noise
    double detail;    // noise frequency (cells across the tile)
};

std::vector<uint8_t> makeVolume(int n, const std::vector<Layer>& slices, uint32_t seed) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(n) * n * slices.size() * 3);
    for (size_t k = 0; k < slices.size(); ++k) {
        const Layer& l = slices[k];
        const int period = static_cast<int>(l.detail);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const double u = x * l.detail / n, v = y * l.detail / n;
                double f = periodicFbm(u, v, 0, period, period, 0, 4, seed + 17u * static_cast<uint32_t>(k));
                f = clamp01((f - 0.5) * 1.8 + 0.5);
                for (int c = 2; c >= 0; --c) {
                    const double a = (l.dark >> (8 * c)) & 0xff, b = (l.light >> (8 * c)) & 0xff;
                    rgb.push_back(static_cast<uint8_t>(mix(a, b, f) + 0.5));
                }
            }
    }
    return rgb;
}

}  // namespace

bool writeVolumeDds(const std::string& path, int width, int height, int depth, const std::vector<uint8_t>& rgb) {
    if (rgb.size() != static_cast<size_t>(width) * height * depth * 3) return false;
    std::vector<uint8_t> out = {'D', 'D', 'S', ' '};
    const uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8, DDSD_PIXELFORMAT = 0x1000,
                   DDSD_DEPTH = 0x800000;
    put32(out, 124);
    put32(out, DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_DEPTH);
    put32(out, height);
    put32(out, width);
    put32(out, width * 3);  // pitch of one row
    put32(out, depth);
    put32(out, 0);  // no mipmaps
    for (int i = 0; i < 11; ++i) put32(out, 0);
    // Pixel format: plain 24-bit RGB.
    put32(out, 32);
    put32(out, 0x40);  // DDPF_RGB
    put32(out, 0);
    put32(out, 24);
    put32(out, 0xff0000);
    put32(out, 0x00ff00);
    put32(out, 0x0000ff);
    put32(out, 0);
    put32(out, 0x1000 | 0x8);  // DDSCAPS_TEXTURE | DDSCAPS_COMPLEX
    put32(out, 0x200000);      // DDSCAPS2_VOLUME
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    // Texels as blue, green, red bytes (the masks above, little-endian).
    for (size_t i = 0; i < rgb.size(); i += 3) {
        out.push_back(rgb[i + 2]);
        out.push_back(rgb[i + 1]);
        out.push_back(rgb[i]);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool wrote = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && wrote;
}

bool writeVolumes(const std::string& gameDir) {
    const int n = 64;
    const std::string dir = gameDir + "/Textures/";
    bool ok = true;
    // Beach: wet sand, dry sand, grass, rock.
    ok &= writeVolumeDds(dir + "3dterrain4RGB.dds", n, n, 8,
                         makeVolume(n, {{0xb08a52, 0xd4b07a, 8}, {0xd9bc84, 0xf2dcaa, 8}, {0xe0c890, 0xb8c070, 8},
                                        {0x4f9a3a, 0x86c250, 8}, {0x3d8a34, 0x6fb046, 8}, {0x5c7a3a, 0x8a8a5a, 8},
                                        {0x6e6a62, 0x9a948a, 4}, {0x857f78, 0xc4beb6, 4}},
                                    201));
    // Winter: dark ice, blue ice, packed snow, fresh snow.
    ok &= writeVolumeDds(dir + "3dTexWinter.dds", n, n, 8,
                         makeVolume(n, {{0x4a7aa8, 0x8ab8dc, 4}, {0x7aaed6, 0xb8dcf2, 4}, {0xa8cce6, 0xdcecf8, 8},
                                        {0xc8dcec, 0xf0f6fc, 8}, {0xd6e4f0, 0xffffff, 8}, {0xdfe9f4, 0xffffff, 8},
                                        {0x9aa4b0, 0xe8eef4, 4}, {0xe8f0f8, 0xffffff, 8}},
                                    301));
    // Desert: pale sand, golden dunes, red sandstone.
    ok &= writeVolumeDds(dir + "3dTexDesert.dds", n, n, 8,
                         makeVolume(n, {{0xd8b47a, 0xf0d8a6, 8}, {0xe0b870, 0xf6d690, 8}, {0xd8a45a, 0xf0c27a, 8},
                                        {0xcc8e4a, 0xe8b070, 8}, {0xb86a3a, 0xd88a52, 4}, {0xa0502c, 0xc87048, 4},
                                        {0x8a3e24, 0xb05a3a, 4}, {0x7a3420, 0xa4583c, 4}},
                                    401));
    return ok;
}

}  // namespace content
