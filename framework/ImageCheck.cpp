#include "framework/ImageCheck.h"

#include <array>
#include <cstring>

namespace imagecheck {

namespace {

const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t readBE32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

uint32_t readBE16(const unsigned char* p) { return (uint32_t(p[0]) << 8) | uint32_t(p[1]); }

bool sideFits(uint32_t side) { return side >= 1 && side <= kMaxSide; }

uint32_t readLE32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

// DDS header flags and pixel-format flags.
constexpr uint32_t DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8, DDSD_MIPMAPCOUNT = 0x20000,
                   DDSD_LINEARSIZE = 0x80000, DDSD_DEPTH = 0x800000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_ALPHA = 0x2, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40,
                   DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_VOLUME = 0x200000;

uint32_t fourCC(const char* s) { return readLE32(reinterpret_cast<const unsigned char*>(s)); }

bool masksFit(uint32_t bits, const uint32_t* masks, int count) {
    const uint64_t limit = bits >= 32 ? 0xFFFFFFFFull : ((1ull << bits) - 1);
    uint32_t seen = 0;
    bool any = false;
    for (int i = 0; i < count; ++i) {
        if (masks[i] == 0) continue;
        if (masks[i] > limit) return false;
        if (seen & masks[i]) return false;  // channels must not overlap
        seen |= masks[i];
        any = true;
    }
    return any;
}

}  // namespace

uint32_t crc32(const unsigned char* data, std::size_t size, uint32_t crc) {
    const auto& table = crcTable();
    uint32_t c = crc ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool pngIsSound(const unsigned char* data, std::size_t size) {
    if (size < 8 || std::memcmp(data, kPngSignature, 8) != 0) return false;
    std::size_t pos = 8;
    bool first = true;
    while (true) {
        if (size - pos < 12) return false;  // every chunk has length, type and CRC
        const uint32_t length = readBE32(data + pos);
        if (length > 0x7FFFFFFFu || length > size - pos - 12) return false;
        const unsigned char* type = data + pos + 4;
        for (int i = 0; i < 4; ++i) {
            const unsigned char ch = type[i];
            if (!((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'))) return false;
        }
        if (first && (std::memcmp(type, "IHDR", 4) != 0 || length != 13 || !sideFits(readBE32(type + 4)) ||
                      !sideFits(readBE32(type + 8))))
            return false;
        first = false;
        const uint32_t stored = readBE32(data + pos + 8 + length);
        if (crc32(type, length + 4) != stored) return false;
        pos += 12 + static_cast<std::size_t>(length);
        if (std::memcmp(type, "IEND", 4) == 0) return true;
    }
}

bool ddsIsSound(const unsigned char* data, std::size_t size) {
    if (size < 128 || std::memcmp(data, "DDS ", 4) != 0) return false;
    const unsigned char* h = data + 4;
    const uint32_t headerSize = readLE32(h + 0);
    const uint32_t flags = readLE32(h + 4);
    const uint32_t height = readLE32(h + 8);
    const uint32_t width = readLE32(h + 12);
    const uint32_t pitchOrLinearSize = readLE32(h + 16);
    const uint32_t depthField = readLE32(h + 20);
    const uint32_t mipField = readLE32(h + 24);
    const unsigned char* pf = h + 72;
    const uint32_t pfSize = readLE32(pf + 0);
    const uint32_t pfFlags = readLE32(pf + 4);
    const uint32_t pfFourCC = readLE32(pf + 8);
    const uint32_t bitCount = readLE32(pf + 12);
    const uint32_t masks[4] = {readLE32(pf + 16), readLE32(pf + 20), readLE32(pf + 24), readLE32(pf + 28)};
    const uint32_t caps2 = readLE32(h + 108);

    if (headerSize != 124 || pfSize != 32) return false;
    if ((flags & (DDSD_HEIGHT | DDSD_WIDTH)) != (DDSD_HEIGHT | DDSD_WIDTH)) return false;
    if (!sideFits(width) || !sideFits(height)) return false;
    if (caps2 & DDSCAPS2_CUBEMAP) return false;  // the game has no cube maps
    uint32_t depth = 1;
    if ((flags & DDSD_DEPTH) || (caps2 & DDSCAPS2_VOLUME)) {
        if (depthField == 0 || depthField > 2048) return false;
        depth = depthField;
    }
    const uint32_t mips = (flags & DDSD_MIPMAPCOUNT) && mipField > 0 ? mipField : 1;
    if (mips > 32) return false;

    uint64_t needed = 0;
    if (pfFlags & DDPF_FOURCC) {
        uint32_t blockBytes = 0;
        if (pfFourCC == fourCC("DXT1")) blockBytes = 8;
        else if (pfFourCC == fourCC("DXT3") || pfFourCC == fourCC("DXT5")) blockBytes = 16;
        else return false;  // formats the game never ships are refused rather than guessed at
        uint64_t w = width, hgt = height, d = depth;
        for (uint32_t level = 0; level < mips; ++level) {
            needed += ((w + 3) / 4) * ((hgt + 3) / 4) * blockBytes * d;
            w = w > 1 ? w / 2 : 1;
            hgt = hgt > 1 ? hgt / 2 : 1;
            d = d > 1 ? d / 2 : 1;
        }
        if ((flags & DDSD_LINEARSIZE) && pitchOrLinearSize != 0 && pitchOrLinearSize > needed) return false;
    } else {
        if (!(pfFlags & (DDPF_RGB | DDPF_LUMINANCE | DDPF_ALPHA))) return false;
        if (bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) return false;
        const int maskCount = (pfFlags & (DDPF_ALPHAPIXELS | DDPF_ALPHA)) ? 4 : 3;
        if (!masksFit(bitCount, masks, maskCount)) return false;
        const uint64_t rowBytes = uint64_t(width) * (bitCount / 8);
        if ((flags & DDSD_PITCH) && pitchOrLinearSize != 0 &&
            (pitchOrLinearSize < rowBytes || pitchOrLinearSize > rowBytes + 3))
            return false;
        uint64_t w = width, hgt = height, d = depth;
        for (uint32_t level = 0; level < mips; ++level) {
            needed += w * (bitCount / 8) * hgt * d;
            w = w > 1 ? w / 2 : 1;
            hgt = hgt > 1 ? hgt / 2 : 1;
            d = d > 1 ? d / 2 : 1;
        }
    }
    return size - 128 >= needed;
}

bool jpegIsSound(const unsigned char* data, std::size_t size) {
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
    std::size_t pos = 2;
    while (pos < size) {
        // Like the decoder, skip stray bytes up to the next marker and fill bytes before it.
        if (data[pos++] != 0xFF) continue;
        while (pos < size && data[pos] == 0xFF) ++pos;
        if (pos >= size) break;
        const unsigned char marker = data[pos++];
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA) break;  // the frame header comes before the first scan
        if (size - pos < 2) break;
        const uint32_t length = readBE16(data + pos);
        // SOF0 to SOF15, except DHT (C4), JPG (C8) and DAC (CC), which share the range.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            if (length < 7 || size - pos < 7) return false;
            if (!sideFits(readBE16(data + pos + 3)) || !sideFits(readBE16(data + pos + 5))) return false;
        }
        if (length < 2) return false;
        pos += length;
    }
    return true;
}

bool bufferIsSound(const unsigned char* data, std::size_t size) {
    if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return pngIsSound(data, size);
    if (size >= 4 && std::memcmp(data, "DDS ", 4) == 0) return ddsIsSound(data, size);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xD8) return jpegIsSound(data, size);
    return true;
}

}  // namespace imagecheck
