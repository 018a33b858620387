#include <GL/glew.h>
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>
#include <gd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>

#include "FrameworkFixture.h"
#include "framework/Texture.h"

namespace {

using Rgb = std::array<int, 3>;

struct TexImage {
    TexImage(GLenum target, GLuint name) : rgba(harness::readTexture(target, name, &w, &h, &d)) {}
    Rgb at(int x, int y, int z = 0) const {
        const unsigned char* p = &rgba[((static_cast<size_t>(z) * h + y) * w + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
    int w = 0, h = 0, d = 0;
    std::vector<unsigned char> rgba;
};

std::string bytesOf(void* data, const int& size) {  // size by reference: read after data is made
    std::string bytes(static_cast<const char*>(data), static_cast<size_t>(size));
    gdFree(data);
    return bytes;
}

// An uncompressed 24-bit RGB volume: header, then depth slices of rows of texels.
std::string ddsVolume(int w, int h, int d, const std::vector<uint32_t>& rgb) {
    const uint32_t header[31] = {124, 0x80100F, uint32_t(h), uint32_t(w), uint32_t(w * 3), uint32_t(d), 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // reserved
                                 32, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0, 0x1008, 0x200000, 0, 0, 0};
    std::string bytes = "DDS ";
    for (uint32_t v : header)
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i));
    for (uint32_t v : rgb)
        for (int i = 0; i < 3; ++i) bytes += static_cast<char>(v >> (8 * i));
    return bytes;
}

class TextureLoaderTest : public FrameworkFixture {
protected:
    void SetUp() override {
        FrameworkFixture::SetUp();
        ASSERT_EQ(mkdir(path("Textures").c_str(), 0755), 0);
        // DevIL is initialised by the callers of the loader.
        ilInit();
        iluInit();
        ilutInit();
        ilutRenderer(ILUT_OPENGL);
    }
    TextureLoader loader;
};

TEST_F(TextureLoaderTest, PngAndJpegLoadUprightWithTheirSize) {
    // As a viewer sees it: top-left red, top-right blue, bottom-left green, bottom-right white.
    gdImagePtr image = gdImageCreateTrueColor(32, 16);
    gdImageFilledRectangle(image, 0, 0, 15, 7, gdTrueColor(255, 0, 0));
    gdImageFilledRectangle(image, 16, 0, 31, 7, gdTrueColor(0, 0, 255));
    gdImageFilledRectangle(image, 0, 8, 15, 15, gdTrueColor(0, 255, 0));
    gdImageFilledRectangle(image, 16, 8, 31, 15, gdTrueColor(255, 255, 255));
    int size = 0;
    harness::writeFileText(path("Textures/quad.png"), bytesOf(gdImagePngPtr(image, &size), size));
    harness::writeFileText(path("Textures/quad.jpg"), bytesOf(gdImageJpegPtr(image, &size, 100), size));
    gdImageDestroy(image);

    for (const char* name : {"quad.png", "quad.jpg"}) {
        SCOPED_TRACE(name);
        harness::captureStdout();
        std::unique_ptr<Texture> texture(loader.loadTexture(name, GL_TEXTURE_2D));
        EXPECT_EQ(harness::capturedStdout(), "");
        ASSERT_NE(texture, nullptr);
        const TexImage t(GL_TEXTURE_2D, texture->getID());
        EXPECT_EQ((Rgb{t.w, t.h, t.d}), (Rgb{32, 16, 1}));
        // OpenGL's first texel row is the picture's bottom row; JPEG corners stay close.
        const Rgb corners[4] = {t.at(0, 0), t.at(31, 0), t.at(0, 15), t.at(31, 15)};
        const Rgb expected[4] = {{0, 255, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}};
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 3; ++i) EXPECT_NEAR(corners[c][i], expected[c][i], 24) << "corner " << c;
    }
}

TEST_F(TextureLoaderTest, EmptyMissingOrDamagedFilesGiveNullAndOnlyTheVolumeLoaderComplains) {
    // A PNG whose second chunk claims far more bytes than the file has.
    gdImagePtr image = gdImageCreateTrueColor(16, 16);
    int size = 0;
    std::string png = bytesOf(gdImagePngPtr(image, &size), size);
    gdImageDestroy(image);
    png[33] = 0x7F;
    png[34] = static_cast<char>(0xFF);
    harness::writeFileText(path("Textures/damaged.png"), png);
    // A volume whose header promises 4096 x 4096 x 64 texels but carries eight.
    harness::writeFileText(path("Textures/damaged.dds"), ddsVolume(4096, 4096, 64, std::vector<uint32_t>(8, 0x808080)));
    // Not files at all: a folder, a FIFO that no one writes, a device.
    ASSERT_EQ(mkdir(path("Textures/folder.png").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(path("Textures/folder.dds").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(path("Textures/pipe.jpg").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", path("Textures/zero.dds").c_str()), 0);

    harness::captureStdout();
    harness::captureStderr();
    for (const char* name : {"", "nothere.png", "damaged.png", "folder.png", "pipe.jpg"})
        EXPECT_EQ(loader.loadTexture(name, GL_TEXTURE_2D), nullptr) << name;
    EXPECT_EQ(harness::capturedStderr(), "");
    harness::captureStderr();
    for (const char* name : {"nothere.dds", "damaged.dds", "folder.dds", "zero.dds"})
        EXPECT_EQ(loader.load3DTexture(name, GL_TEXTURE_3D), nullptr) << name;
    EXPECT_EQ(harness::capturedStderr(),
              "[TextureLoader] Could not load image Textures/nothere.dds\n"
              "[TextureLoader] Could not load image Textures/damaged.dds\n"
              "[TextureLoader] Could not load image Textures/folder.dds\n"
              "[TextureLoader] Could not load image Textures/zero.dds\n");
    EXPECT_EQ(harness::capturedStdout(), "");
}

TEST_F(TextureLoaderTest, DdsVolumeLoadsAs3DTextureWithItsDepthUnskewed) {
    // Three RGB texels make rows of nine bytes, not a multiple of OpenGL's default alignment.
    std::vector<uint32_t> texels;
    for (int i = 0; i < 18; ++i) texels.push_back(uint32_t(i * 10 << 16 | (i * 5 + 1) << 8 | (250 - i * 10)));
    harness::writeFileText(path("Textures/odd.dds"), ddsVolume(3, 2, 3, texels));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // OpenGL's default; the 2D loader may leave 1 behind
    std::unique_ptr<Texture> volume(loader.load3DTexture("odd.dds", GL_TEXTURE_3D));
    ASSERT_NE(volume, nullptr);
    const TexImage t(GL_TEXTURE_3D, volume->getID());
    ASSERT_EQ((Rgb{t.w, t.h, t.d}), (Rgb{3, 2, 3}));
    for (int i = 0; i < 18; ++i) EXPECT_EQ(t.at(i % 3, i / 3 % 2, i / 6), (Rgb{i * 10, i * 5 + 1, 250 - i * 10})) << i;
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(TextureLoaderTest, CreateTextureClampsOnRequestAndDeletingDeletesExactlyItsName) {
    const unsigned char pixels[16] = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255};
    Texture* clamped = loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 2, 2, GL_RGBA, GL_UNSIGNED_BYTE, GL_NEAREST,
                                            true, false, true, pixels);
    GLint wrap[3] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap[0]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrap[1]);
    EXPECT_EQ(TexImage(GL_TEXTURE_2D, clamped->getID()).rgba, std::vector<unsigned char>(pixels, pixels + 16));
    Texture* repeated = loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, GL_LINEAR,
                                             false, false, false, nullptr);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap[2]);
    EXPECT_EQ((std::vector<GLint>(wrap, wrap + 3)), (std::vector<GLint>{GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_REPEAT}));

    const GLuint a = clamped->getID(), b = repeated->getID();
    delete clamped;
    EXPECT_FALSE(glIsTexture(a));
    EXPECT_TRUE(glIsTexture(b));
    delete repeated;
    EXPECT_FALSE(glIsTexture(b));
    EXPECT_EQ(harness::glErrors(), "");
}

}  // namespace
