#include <gd.h>
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "framework/ImageCheck.h"

namespace {

std::vector<unsigned char> makePng(int w, int h) {
    gdImagePtr image = gdImageCreateTrueColor(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gdImageSetPixel(image, x, y, gdTrueColor(x * 7 % 256, y * 13 % 256, 90));
    int size = 0;
    auto* bytes = static_cast<unsigned char*>(gdImagePngPtr(image, &size));
    std::vector<unsigned char> out(bytes, bytes + size);
    gdFree(bytes);
    gdImageDestroy(image);
    return out;
}

std::vector<unsigned char> makeJpeg(int w, int h) {
    gdImagePtr image = gdImageCreateTrueColor(w, h);
    int size = 0;
    auto* bytes = static_cast<unsigned char*>(gdImageJpegPtr(image, &size, 90));
    std::vector<unsigned char> out(bytes, bytes + size);
    gdFree(bytes);
    gdImageDestroy(image);
    return out;
}

void putLE32(std::vector<unsigned char>& v, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

void putBE(std::vector<unsigned char>& v, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v[at + i] = static_cast<unsigned char>(value >> (8 * (bytes - 1 - i)));
}

// The PNG with other dimensions in its IHDR, CRC recomputed: still well formed.
std::vector<unsigned char> withPngSize(std::vector<unsigned char> png, uint32_t w, uint32_t h) {
    putBE(png, 16, w, 4);
    putBE(png, 20, h, 4);
    putBE(png, 29, imagecheck::crc32(png.data() + 12, 17), 4);
    return png;
}

// The JPEG with other dimensions in its baseline frame header.
std::vector<unsigned char> withJpegSize(std::vector<unsigned char> jpeg, uint32_t w, uint32_t h) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            putBE(jpeg, i + 5, h, 2);
            putBE(jpeg, i + 7, w, 2);
            return jpeg;
        }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// An uncompressed 24-bit RGB volume, as the content tool writes them.
std::vector<unsigned char> makeDdsVolume(uint32_t w, uint32_t h, uint32_t d) {
    std::vector<unsigned char> v(128 + size_t(w) * h * d * 3, 0);
    std::memcpy(v.data(), "DDS ", 4);
    putLE32(v, 4, 124);
    putLE32(v, 8, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x800000);
    putLE32(v, 12, h);
    putLE32(v, 16, w);
    putLE32(v, 20, w * 3);
    putLE32(v, 24, d);
    putLE32(v, 76, 32);
    putLE32(v, 80, 0x40);
    putLE32(v, 88, 24);
    putLE32(v, 92, 0xFF0000);
    putLE32(v, 96, 0x00FF00);
    putLE32(v, 100, 0x0000FF);
    putLE32(v, 108, 0x1000 | 0x8);
    putLE32(v, 112, 0x200000);
    for (size_t i = 128; i < v.size(); ++i) v[i] = static_cast<unsigned char>(i * 31);
    return v;
}

}  // namespace

TEST(ImageCheck, Crc32MatchesTheKnownCheckValue) {
    const char* text = "123456789";
    EXPECT_EQ(imagecheck::crc32(reinterpret_cast<const unsigned char*>(text), 9), 0xCBF43926u);
}

TEST(ImageCheck, PngDamageIsRecognised) {
    const std::vector<unsigned char> good = makePng(16, 8);
    EXPECT_TRUE(imagecheck::pngIsSound(good.data(), good.size()));
    EXPECT_TRUE(imagecheck::bufferIsSound(good.data(), good.size()));

    // A chunk length reaching past the end of the file.
    std::vector<unsigned char> longChunk = good;
    longChunk[8] = 0x40;
    EXPECT_FALSE(imagecheck::pngIsSound(longChunk.data(), longChunk.size()));

    // One flipped byte inside the image data breaks that chunk's CRC.
    std::vector<unsigned char> badCrc = good;
    badCrc[good.size() - 20] ^= 0x55;
    EXPECT_FALSE(imagecheck::pngIsSound(badCrc.data(), badCrc.size()));

    // Cut short before IEND.
    EXPECT_FALSE(imagecheck::pngIsSound(good.data(), good.size() - 6));
    // Not a PNG at all.
    EXPECT_FALSE(imagecheck::pngIsSound(good.data() + 1, good.size() - 1));
}

TEST(ImageCheck, DdsHeaderMustAgreeWithItsData) {
    const std::vector<unsigned char> good = makeDdsVolume(8, 4, 3);
    EXPECT_TRUE(imagecheck::ddsIsSound(good.data(), good.size()));

    std::vector<unsigned char> badBits = good;
    putLE32(badBits, 88, 7);
    EXPECT_FALSE(imagecheck::ddsIsSound(badBits.data(), badBits.size()));

    std::vector<unsigned char> zeroBits = good;
    putLE32(zeroBits, 88, 0);
    EXPECT_FALSE(imagecheck::ddsIsSound(zeroBits.data(), zeroBits.size()));

    std::vector<unsigned char> shortData(good.begin(), good.end() - 1);
    EXPECT_FALSE(imagecheck::ddsIsSound(shortData.data(), shortData.size()));

    std::vector<unsigned char> overlapping = good;
    putLE32(overlapping, 96, 0xFF00FF);
    EXPECT_FALSE(imagecheck::ddsIsSound(overlapping.data(), overlapping.size()));

    std::vector<unsigned char> wideMask = good;
    putLE32(wideMask, 92, 0xFF000000);  // outside a 24-bit pixel
    EXPECT_FALSE(imagecheck::ddsIsSound(wideMask.data(), wideMask.size()));

    std::vector<unsigned char> badPitch = good;
    putLE32(badPitch, 20, 5);
    EXPECT_FALSE(imagecheck::ddsIsSound(badPitch.data(), badPitch.size()));

    std::vector<unsigned char> hugeDepth = good;
    putLE32(hugeDepth, 24, 0x7FFFFFFF);
    EXPECT_FALSE(imagecheck::ddsIsSound(hugeDepth.data(), hugeDepth.size()));

    std::vector<unsigned char> badHeaderSize = good;
    putLE32(badHeaderSize, 4, 100);
    EXPECT_FALSE(imagecheck::ddsIsSound(badHeaderSize.data(), badHeaderSize.size()));
}

TEST(ImageCheck, PicturesLargerThanTheGameDrawsAreRefused) {
    // A few kilobytes can declare gigabytes of pixels; the game draws nothing beyond 4096.
    const std::vector<unsigned char> png = makePng(16, 8);
    for (const auto& [w, h, ok] : {std::tuple{4096u, 4096u, true}, {30000u, 30000u, false}, {4097u, 8u, false},
                                   {16u, 4097u, false}, {0u, 8u, false}}) {
        const std::vector<unsigned char> p = withPngSize(png, w, h);
        EXPECT_EQ(imagecheck::bufferIsSound(p.data(), p.size()), ok) << "PNG " << w << " x " << h;
    }
    const std::vector<unsigned char> jpeg = makeJpeg(16, 8);
    EXPECT_TRUE(imagecheck::bufferIsSound(jpeg.data(), jpeg.size()));
    for (const auto& [w, h, ok] : {std::tuple{4096u, 4096u, true}, {30000u, 30000u, false}, {4097u, 8u, false},
                                   {16u, 4097u, false}, {0u, 8u, false}}) {
        const std::vector<unsigned char> j = withJpegSize(jpeg, w, h);
        EXPECT_EQ(imagecheck::bufferIsSound(j.data(), j.size()), ok) << "JPEG " << w << " x " << h;
    }
    // A DDS must carry its pixels, so only the side is at stake: one row of 4097 texels.
    const std::vector<unsigned char> wide = makeDdsVolume(4097, 1, 1), widest = makeDdsVolume(4096, 1, 1);
    EXPECT_FALSE(imagecheck::bufferIsSound(wide.data(), wide.size()));
    EXPECT_TRUE(imagecheck::bufferIsSound(widest.data(), widest.size()));
}

TEST(ImageCheck, OtherFormatsPass) {
    const unsigned char jpegStart[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10};
    EXPECT_TRUE(imagecheck::bufferIsSound(jpegStart, sizeof jpegStart));
    const unsigned char gif[] = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(imagecheck::bufferIsSound(gif, sizeof gif));
}
