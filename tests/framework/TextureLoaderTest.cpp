#include <GL/glew.h>
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "framework/Texture.h"

namespace {

// DevIL is initialised by the callers of the loader; do it once for this program.
class DevilEnvironment : public testing::Environment {
public:
    void SetUp() override {
        ilInit();
        iluInit();
        ilutInit();
        ilutRenderer(ILUT_OPENGL);
    }
};
const testing::Environment* const devil = testing::AddGlobalTestEnvironment(new DevilEnvironment);

using Rgb = std::array<int, 3>;
const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255}, kGray{128, 128, 128};

// A picture whose four quadrants have different colours: top-left red, top-right blue,
// bottom-left green, bottom-right white (as a viewer sees it).
gdImagePtr quadrantPicture(int width, int height) {
    gdImagePtr image = gdImageCreateTrueColor(width, height);
    const auto colour = [](const Rgb& c) { return gdTrueColor(c[0], c[1], c[2]); };
    gdImageFilledRectangle(image, 0, 0, width / 2 - 1, height / 2 - 1, colour(kRed));
    gdImageFilledRectangle(image, width / 2, 0, width - 1, height / 2 - 1, colour(kBlue));
    gdImageFilledRectangle(image, 0, height / 2, width / 2 - 1, height - 1, colour(kGreen));
    gdImageFilledRectangle(image, width / 2, height / 2, width - 1, height - 1, colour(kWhite));
    return image;
}

void writePicture(gdImagePtr image, const std::string& path, bool jpeg) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (jpeg)
        gdImageJpeg(image, f, 100);
    else
        gdImagePng(image, f);
    std::fclose(f);
}

struct TexImage {
    int width = 0, height = 0, depth = 0;
    std::vector<unsigned char> rgba;
    Rgb at(int x, int y, int z = 0) const {
        const unsigned char* p = &rgba[((static_cast<size_t>(z) * height + y) * width + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
};

TexImage readTexture(GLenum target, GLuint name, int level = 0) {
    TexImage image;
    glBindTexture(target, name);
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_HEIGHT, &image.height);
    glGetTexLevelParameteriv(target, level, GL_TEXTURE_DEPTH, &image.depth);
    image.rgba.resize(static_cast<size_t>(image.width) * image.height * std::max(image.depth, 1) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!image.rgba.empty()) glGetTexImage(target, level, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

GLint texParameter(GLenum target, GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(target, name, &value);
    return value;
}

void expectNear(const Rgb& actual, const Rgb& expected, int tolerance, const char* where) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << where << " channel " << i;
}

// OpenGL's first texel row is the picture's bottom row.
void expectUprightQuadrants(const TexImage& t, int tolerance) {
    expectNear(t.at(0, 0), kGreen, tolerance, "bottom-left");
    expectNear(t.at(t.width - 1, 0), kWhite, tolerance, "bottom-right");
    expectNear(t.at(0, t.height - 1), kRed, tolerance, "top-left");
    expectNear(t.at(t.width - 1, t.height - 1), kBlue, tolerance, "top-right");
}

// An uncompressed 32-bit BGRA volume: header, then depth slices of height rows of width texels.
std::vector<unsigned char> ddsVolume(int width, int height, int depth, const std::vector<uint32_t>& argb,
                                     int bits = 32) {
    const int bytesPerTexel = bits / 8;
    std::vector<unsigned char> bytes{'D', 'D', 'S', ' '};
    const auto put = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    put(124);                                               // header size
    put(0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x800000);        // caps, height, width, pitch, pixel format, depth
    put(static_cast<uint32_t>(height));
    put(static_cast<uint32_t>(width));
    put(static_cast<uint32_t>(width * bytesPerTexel));      // pitch
    put(static_cast<uint32_t>(depth));
    put(0);                                                 // mipmaps
    for (int i = 0; i < 11; ++i) put(0);                    // reserved
    put(32);                                                // pixel format size
    put(bits == 32 ? 0x1 | 0x40 : 0x40);                    // (alpha pixels,) RGB
    put(0);                                                 // fourCC
    put(static_cast<uint32_t>(bits));
    put(0x00FF0000);
    put(0x0000FF00);
    put(0x000000FF);
    put(bits == 32 ? 0xFF000000 : 0);
    put(0x1000 | 0x8);                                      // texture, complex
    put(0x200000);                                          // volume
    put(0);
    put(0);
    put(0);
    for (uint32_t v : argb)
        for (int i = 0; i < bytesPerTexel; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    harness::writeFileText(path, std::string(bytes.begin(), bytes.end()));
}

class TextureLoaderTest : public FrameworkFixture {
protected:
    void SetUp() override {
        FrameworkFixture::SetUp();
        ASSERT_EQ(mkdir(path("Textures").c_str(), 0755), 0);
    }
    void TearDown() override {
        glBindTexture(GL_TEXTURE_2D, 0);
        glBindTexture(GL_TEXTURE_3D, 0);
        glDisable(GL_TEXTURE_3D);
        FrameworkFixture::TearDown();
    }
    TextureLoader loader;
};

}  // namespace

TEST_F(TextureLoaderTest, PngAndJpegLoadUprightWithSizeAndMipmaps) {
    gdImagePtr picture = quadrantPicture(32, 16);
    writePicture(picture, path("Textures/quad.png"), false);
    writePicture(picture, path("Textures/quad.jpg"), true);
    gdImageDestroy(picture);

    harness::captureStdout();
    std::unique_ptr<Texture> png(loader.loadTexture("quad.png", GL_TEXTURE_2D));
    std::unique_ptr<Texture> jpg(loader.loadTexture("quad.jpg", GL_TEXTURE_2D));
    EXPECT_EQ(harness::capturedStdout(), "");
    ASSERT_NE(png, nullptr);
    ASSERT_NE(jpg, nullptr);
    EXPECT_NE(png->getID(), jpg->getID());
    EXPECT_TRUE(glIsTexture(png->getID()));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));  // the loader disables its target

    const TexImage p = readTexture(GL_TEXTURE_2D, png->getID());
    EXPECT_EQ(p.width, 32);
    EXPECT_EQ(p.height, 16);
    expectUprightQuadrants(p, 0);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    // The mipmap chain exists down to 1 x 1 and keeps the orientation.
    const TexImage level1 = readTexture(GL_TEXTURE_2D, png->getID(), 1);
    EXPECT_EQ(level1.width, 16);
    EXPECT_EQ(level1.height, 8);
    expectUprightQuadrants(level1, 0);
    EXPECT_EQ(readTexture(GL_TEXTURE_2D, png->getID(), 5).width, 1);

    const TexImage j = readTexture(GL_TEXTURE_2D, jpg->getID());
    EXPECT_EQ(j.width, 32);
    EXPECT_EQ(j.height, 16);
    expectUprightQuadrants(j, 24);  // JPEG is lossy near colour edges, corners stay close
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, EncodedPngFromMemoryLoadsLikeAFile) {
    gdImagePtr picture = quadrantPicture(8, 8);
    int size = 0;
    void* bytes = gdImagePngPtr(picture, &size);
    gdImageDestroy(picture);
    ASSERT_NE(bytes, nullptr);
    std::unique_ptr<Texture> texture(
        loader.loadTextureFromMemory(IL_PNG, bytes, static_cast<unsigned>(size), GL_TEXTURE_2D));
    gdFree(bytes);
    ASSERT_NE(texture, nullptr);
    const TexImage t = readTexture(GL_TEXTURE_2D, texture->getID());
    EXPECT_EQ(t.width, 8);
    EXPECT_EQ(t.height, 8);
    expectUprightQuadrants(t, 0);

    // Garbage fails silently with null.
    const std::string garbage = "definitely not a PNG file";
    harness::captureStdout();
    harness::captureStderr();
    Texture* bad = loader.loadTextureFromMemory(IL_PNG, garbage.data(), garbage.size(), GL_TEXTURE_2D);
    EXPECT_EQ(harness::capturedStderr(), "");
    EXPECT_EQ(harness::capturedStdout(), "");
    EXPECT_EQ(bad, nullptr);
    delete bad;
}

TEST_F(TextureLoaderTest, EmptyOrMissingNamesGiveNullAndOnlyTheVolumeLoaderComplains) {
    harness::captureStdout();
    harness::captureStderr();
    EXPECT_EQ(loader.loadTexture("", GL_TEXTURE_2D), nullptr);
    EXPECT_EQ(loader.loadTexture("nothere.png", GL_TEXTURE_2D), nullptr);
    EXPECT_EQ(loader.load3DTexture("", GL_TEXTURE_3D), nullptr);
    EXPECT_EQ(harness::capturedStderr(), "");
    harness::captureStderr();
    EXPECT_EQ(loader.load3DTexture("nothere.dds", GL_TEXTURE_3D), nullptr);
    EXPECT_EQ(harness::capturedStderr(), "[TextureLoader] Could not load image Textures/nothere.dds\n");
    EXPECT_EQ(harness::capturedStdout(), "");

    // Names are taken under Textures/, not from the working directory.
    gdImagePtr picture = quadrantPicture(4, 4);
    writePicture(picture, path("beside.png"), false);
    gdImageDestroy(picture);
    EXPECT_EQ(loader.loadTexture("beside.png", GL_TEXTURE_2D), nullptr);
}

TEST_F(TextureLoaderTest, UncompressedDdsVolumeLoadsAsA3DTexture) {
    const int width = 4, height = 2, depth = 3;
    std::vector<uint32_t> texels;
    const uint32_t sliceColour[depth] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    for (int z = 0; z < depth; ++z)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) texels.push_back(x == 0 && y == 0 ? 0xFFFFFFFFu : sliceColour[z]);
    writeBytes(path("Textures/volume.dds"), ddsVolume(width, height, depth, texels));

    harness::captureStderr();
    std::unique_ptr<Texture> volume(loader.load3DTexture("volume.dds", GL_TEXTURE_3D));
    EXPECT_EQ(harness::capturedStderr(), "");
    ASSERT_NE(volume, nullptr);
    const TexImage t = readTexture(GL_TEXTURE_3D, volume->getID());
    EXPECT_EQ(t.width, width);
    EXPECT_EQ(t.height, height);
    EXPECT_EQ(t.depth, depth);
    const Rgb expected[depth] = {kRed, kGreen, kBlue};
    for (int z = 0; z < depth; ++z) {
        EXPECT_EQ(t.at(0, 0, z), kWhite) << "slice " << z;  // the file's first texel stays first
        EXPECT_EQ(t.at(1, 0, z), expected[z]) << "slice " << z;
        EXPECT_EQ(t.at(3, 1, z), expected[z]) << "slice " << z;
    }
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(texParameter(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R), GL_CLAMP);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, RgbVolumeWithAnOddWidthIsNotSkewed) {
    // Three texels of three bytes make rows of nine bytes, not a multiple of four.
    const int width = 3, height = 2, depth = 2;
    std::vector<uint32_t> texels;
    for (int z = 0; z < depth; ++z)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                texels.push_back(static_cast<uint32_t>((40 * x + 10) << 16 | (60 * y + 20) << 8 | (100 * z + 30)));
    writeBytes(path("Textures/odd.dds"), ddsVolume(width, height, depth, texels, 24));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // OpenGL's default; the 2D loader leaves 1 behind
    std::unique_ptr<Texture> volume(loader.load3DTexture("odd.dds", GL_TEXTURE_3D));
    ASSERT_NE(volume, nullptr);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);  // restored
    const TexImage t = readTexture(GL_TEXTURE_3D, volume->getID());
    ASSERT_EQ(t.depth, depth);
    for (int z = 0; z < depth; ++z)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(t.at(x, y, z), (Rgb{40 * x + 10, 60 * y + 20, 100 * z + 30})) << x << "," << y << "," << z;
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, OddSizedJpegBecomesAPowerOfTwoTextureKeepingOrientation) {
    // Building the mipmaps goes through GLU, which resamples level 0 to power-of-two sides.
    gdImagePtr picture = quadrantPicture(10, 6);
    writePicture(picture, path("Textures/odd.jpg"), true);
    gdImageDestroy(picture);
    std::unique_ptr<Texture> texture(loader.loadTexture("odd.jpg", GL_TEXTURE_2D));
    ASSERT_NE(texture, nullptr);
    const TexImage t = readTexture(GL_TEXTURE_2D, texture->getID());
    const auto powerOfTwo = [](int v) { return v > 0 && (v & (v - 1)) == 0; };
    EXPECT_TRUE(powerOfTwo(t.width)) << t.width;
    EXPECT_TRUE(powerOfTwo(t.height)) << t.height;
    EXPECT_GT(t.width, 10 / 2);
    EXPECT_LT(t.width, 10 * 2);
    EXPECT_GT(t.height, 6 / 2);
    EXPECT_LT(t.height, 6 * 2);
    expectUprightQuadrants(t, 60);
}

TEST_F(TextureLoaderTest, CreateTextureSetsStorageFiltersAndClamping) {
    const unsigned char pixels[2 * 2 * 4] = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::unique_ptr<Texture> filled(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE,
                                                         GL_NEAREST, true, false, true, pixels));
    ASSERT_NE(filled, nullptr);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), filled->getID());  // stays bound
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    const TexImage t = readTexture(GL_TEXTURE_2D, filled->getID());
    EXPECT_EQ(t.rgba, std::vector<unsigned char>(pixels, pixels + sizeof pixels));

    // Without clamping the wrap stays the default; with data off the pixels are ignored.
    std::unique_ptr<Texture> storage(loader.createTexture(GL_TEXTURE_2D, GL_RGBA32F_ARB, 800, 600, GL_RGBA, GL_FLOAT,
                                                          GL_NEAREST, false, false, false, pixels));
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
    GLint internal = 0, width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(internal, GL_RGBA32F_ARB);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);

    // The height-query output and a depth texture read as luminance.
    std::unique_ptr<Texture> luminance(loader.createTexture(GL_TEXTURE_2D, GL_LUMINANCE32F_ARB, 512, 1, GL_LUMINANCE,
                                                            GL_FLOAT, GL_NEAREST, true, false, false, nullptr));
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 512);
    std::unique_ptr<Texture> depth(loader.createTexture(GL_TEXTURE_2D, GL_DEPTH_COMPONENT24, 16, 16,
                                                        GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, GL_NEAREST, true, true,
                                                        false, nullptr));
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE), GL_LUMINANCE);
    std::unique_ptr<Texture> rect(loader.createTexture(GL_TEXTURE_RECTANGLE_ARB, GL_RGBA32F_ARB, 30, 20, GL_RGBA,
                                                       GL_FLOAT, GL_LINEAR, true, false, false, nullptr));
    EXPECT_EQ(texParameter(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(texParameter(GL_TEXTURE_RECTANGLE_ARB, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, 0);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, DeletingATextureDeletesExactlyItsName) {
    Texture* a = loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR, false,
                                      false, false, nullptr);
    Texture* b = loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR, false,
                                      false, false, nullptr);
    const GLuint aName = a->getID();
    const GLuint bName = b->getID();
    ASSERT_NE(aName, bName);
    EXPECT_TRUE(glIsTexture(aName));
    delete a;
    EXPECT_FALSE(glIsTexture(aName));
    EXPECT_TRUE(glIsTexture(bName));
    delete b;
    EXPECT_FALSE(glIsTexture(bName));

    Texture none;
    EXPECT_EQ(none.getID(), 0xFFFFFFFFu);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, BindSelectsTheUnitEnablesTheTargetAndBinds) {
    std::unique_ptr<Texture> texture(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE,
                                                          GL_LINEAR, false, false, false, nullptr));
    glBindTexture(GL_TEXTURE_2D, 0);
    texture->bind(GL_TEXTURE_2D, 2);
    GLint active = 0, bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(active, GL_TEXTURE2);
    EXPECT_EQ(static_cast<GLuint>(bound), texture->getID());
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);

    // Unit 0 was not touched.
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

    // A null texture binds nothing.
    bindTexture(nullptr, GL_TEXTURE_2D, 3);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    bindTexture(texture.get(), GL_TEXTURE_2D, 0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture->getID());
    glDisable(GL_TEXTURE_2D);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, DamagedFilesGiveNullWithoutCrashingOrHanging) {
    // A PNG whose first chunk after the header claims far more bytes than the file has.
    gdImagePtr picture = quadrantPicture(16, 16);
    int size = 0;
    auto* bytes = static_cast<unsigned char*>(gdImagePngPtr(picture, &size));
    gdImageDestroy(picture);
    std::vector<unsigned char> png(bytes, bytes + size);
    gdFree(bytes);
    const size_t secondChunk = 8 + 12 + 13;
    png[secondChunk] = 0x7F;
    png[secondChunk + 1] = 0xFF;
    writeBytes(path("Textures/damaged.png"), png);

    // A volume whose header promises 4096 x 4096 x 64 texels of 32 bits but carries a few.
    std::vector<unsigned char> dds = ddsVolume(2, 2, 2, std::vector<uint32_t>(8, 0xFF808080u));
    const auto putAt = [&dds](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) dds[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    putAt(12, 4096);  // height
    putAt(16, 4096);  // width
    putAt(24, 64);    // depth
    writeBytes(path("Textures/damaged.dds"), dds);

    harness::captureStdout();
    harness::captureStderr();
    EXPECT_EQ(loader.loadTexture("damaged.png", GL_TEXTURE_2D), nullptr);
    EXPECT_EQ(loader.loadTextureFromMemory(IL_PNG, png.data(), static_cast<unsigned>(png.size()), GL_TEXTURE_2D),
              nullptr);
    EXPECT_EQ(harness::capturedStdout(), "");
    EXPECT_EQ(loader.load3DTexture("damaged.dds", GL_TEXTURE_3D), nullptr);
    // The volume loader reports a refused file like a missing one.
    EXPECT_EQ(harness::capturedStderr(), "[TextureLoader] Could not load image Textures/damaged.dds\n");
    EXPECT_EQ(harness::glErrors(), "");
}
