#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>

#include "framework/ImageCheck.h"

namespace {

const unsigned char* bytesOf(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// An integer's lowest `bytes` bytes, most significant first unless little-endian.
std::string intBytes(uint32_t v, int bytes, bool little = false) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * (little ? i : bytes - 1 - i)));
    return s;
}

std::string le32(uint32_t v) { return intBytes(v, 4, true); }

// Chunks with their CRCs; what IDAT holds is the decoder's business, not the checker's.
std::string png(uint32_t w, uint32_t h) {
    auto chunk = [](const std::string& type, const std::string& data) {
        const std::string body = type + data;
        return intBytes(data.size(), 4) + body + intBytes(imagecheck::crc32(bytesOf(body), body.size()), 4);
    };
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", intBytes(w, 4) + intBytes(h, 4) + std::string("\x08\x02\0\0\0", 5)) +
           chunk("IDAT", "pixels") + chunk("IEND", "");
}

// The markers up to the first scan: APP0, a DHT (C4 lies among the frame markers but is none)
// and a baseline frame header with the sides.
std::string jpeg(uint32_t w, uint32_t h) {
    return std::string("\xFF\xD8\xFF\xE0\x00\x04..\xFF\xC4\x00\x03\x00\xFF\xC0\x00\x0B\x08", 18) + intBytes(h, 2) +
           intBytes(w, 2) + std::string("\x01\x01\x11\x00\xFF\xDA\x00\x02", 8);
}

TEST(ImageCheck, PngAndJpegMustBeWholeAndNoLargerThanTheGameDraws) {
    const std::string good = png(16, 8);
    std::string longChunk = good, badCrc = good;
    longChunk[8] = 0x40;  // IHDR's length reaches past the end
    badCrc[43] ^= 0x55;   // a byte of IDAT's data
    // A few bytes can declare gigabytes of pixels; the game draws nothing beyond 4096.
    const std::pair<std::string, bool> cases[] = {
        {good, true}, {longChunk, false}, {badCrc, false}, {good.substr(0, good.size() - 6), false},
        {png(4096, 4096), true}, {png(4097, 8), false}, {png(16, 4097), false}, {png(0, 8), false},
        {jpeg(4096, 4096), true}, {jpeg(4097, 8), false}, {jpeg(16, 4097), false}, {jpeg(0, 8), false},
        {std::string("\xFF\xD8\xFF\xE0\x00\x10", 6), true},  // cut inside a segment: the decoder judges that
        {"GIF89a\xFF\xFF\xFF\xFF", true},                       // formats the game does not check pass
        {"DDS |", false},                                          // a header cut short
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(imagecheck::bufferIsSound(bytesOf(cases[i].first), cases[i].first.size()), cases[i].second) << i;
}

// A DDS header and as many data bytes as `data` says: by default an 8 x 4 x 3 RGB volume as
// the content tool writes them.
struct Dds {
    uint32_t headerSize = 124, flags = 0x80100F, height = 4, width = 8, pitch = 24, depth = 3, mips = 0;
    uint32_t pfFlags = 0x40, fourCC = 0, bits = 24, masks[4] = {0xFF0000, 0xFF00, 0xFF, 0}, caps2 = 0x200000;
    size_t data = 8 * 4 * 3 * 3;
    std::string bytes() const {
        std::string s = "DDS " + le32(headerSize) + le32(flags) + le32(height) + le32(width) + le32(pitch) +
                        le32(depth) + le32(mips) + std::string(44, '\0') + le32(32) + le32(pfFlags) + le32(fourCC) + le32(bits);
        for (uint32_t m : masks) s += le32(m);
        return s + le32(0x1008) + le32(caps2) + std::string(12, '\0') + std::string(data, '\x5A');
    }
};

// A 2D DXT picture of 8 x 8 with its mipmap chain (8, 4, 2, 1): 32 + 8 + 8 + 8 bytes in DXT1.
std::function<Dds(Dds)> dxt(const char* fourCC, size_t data, uint32_t linearSize = 32) {
    return [=](Dds d) {
        d.flags = 0xA1007, d.height = d.width = 8, d.pitch = linearSize, d.depth = 0, d.mips = 4;
        d.pfFlags = 0x4, d.caps2 = 0, d.fourCC = fourCC[0] | fourCC[1] << 8 | fourCC[2] << 16 | uint32_t(fourCC[3]) << 24;
        d.data = data;
        return d;
    };
}

TEST(ImageCheck, DdsHeaderMustAgreeWithItsData) {
    const std::pair<std::function<Dds(Dds)>, bool> cases[] = {
        {[](Dds d) { return d; }, true},
        {[](Dds d) { d.bits = 7; return d; }, false},
        {[](Dds d) { --d.data; return d; }, false},
        {[](Dds d) { d.masks[1] = 0xFF00FF; return d; }, false},    // channels overlap
        {[](Dds d) { d.masks[0] = 0xFF000000; return d; }, false},  // outside a 24-bit pixel
        {[](Dds d) { d.pitch = 5; return d; }, false},
        {[](Dds d) { d.depth = 0x7FFFFFFF; return d; }, false},
        {[](Dds d) { d.headerSize = 100; return d; }, false},
        {[](Dds d) { d.caps2 |= 0x200; return d; }, false},  // the game has no cube maps
        {[](Dds d) { d.pfFlags = 0x41, d.bits = 32, d.masks[3] = 0xFF000000, d.pitch = 32, d.data = 8 * 4 * 3 * 4; return d; }, true},
        // A DDS must carry its pixels, so only the side is at stake: one row of 4096, of 4097.
        {[](Dds d) { d.width = 4096, d.height = d.depth = 1, d.pitch = d.data = 3 * 4096; return d; }, true},
        {[](Dds d) { d.width = 4097, d.height = d.depth = 1, d.pitch = d.data = 3 * 4097; return d; }, false},
        {dxt("DXT1", 56), true},
        {dxt("DXT1", 55), false},
        {dxt("DXT1", 56, 57), false},  // a linear size beyond what the sides need
        {dxt("DXT5", 112, 64), true},
        {dxt("ATI2", 112), false},  // formats the game never ships
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string bytes = cases[i].first(Dds{}).bytes();
        EXPECT_EQ(imagecheck::bufferIsSound(bytesOf(bytes), bytes.size()), cases[i].second) << i;
    }
}

}  // namespace
