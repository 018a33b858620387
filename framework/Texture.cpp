#include "framework/Texture.h"

#include <GL/glu.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <vector>

#include "framework/ImageCheck.h"
#include "platform/ReadFile.h"
#include "terrain/GroundGrain.h"

Texture::Texture() : id(static_cast<GLuint>(-1)) {}

Texture::Texture(GLuint id) : id(id) {}

Texture::~Texture() { glDeleteTextures(1, &id); }

void Texture::bind(GLenum target, int unit) {
    glActiveTextureARB(GL_TEXTURE0 + unit);
    glEnable(target);
    glBindTexture(target, id);
}

namespace {

// GLU's rounding of a side to a power of two, which every texture here has always been
// resampled by: 496 goes up to 512, 648 down to 512 (the two highest bits decide).
int powerOfTwoSide(int side) {
    int power = 1;
    for (unsigned v = static_cast<unsigned>(side); v > 1; v >>= 1) {
        if (v == 3) return power * 4;
        power *= 2;
    }
    return power;
}

// The bound DevIL image as a texture on target: upright (its bottom row is OpenGL's first texel
// row), resampled to power-of-two sides, and filtered linearly from that one level. The models'
// textures, the signs and the style labels have always been drawn from their first level alone;
// a mipmap chain only took a third more memory.
Texture* uploadBoundImage(ILuint image, GLenum target) {
    // Four bytes a texel, as the rasteriser reads fastest: three-byte pictures (every JPEG) are
    // widened, with an opaque alpha they had anyway. An image that does not convert makes no texture.
    if (!ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE)) {
        ilDeleteImages(1, &image);
        return nullptr;
    }
    ILinfo info;
    iluGetImageInfo(&info);
    if (info.Origin == IL_ORIGIN_UPPER_LEFT) iluFlipImage();
    const int width = static_cast<int>(info.Width), height = static_cast<int>(info.Height);
    const int potWidth = powerOfTwoSide(width), potHeight = powerOfTwoSide(height);
    std::vector<uint8_t> resampled;
    const void* texels = ilGetData();
    if (potWidth != width || potHeight != height) {
        resampled.resize(static_cast<size_t>(potWidth) * potHeight * 4);
        gluScaleImage(GL_RGBA, width, height, GL_UNSIGNED_BYTE, texels, potWidth, potHeight, GL_UNSIGNED_BYTE,
                      resampled.data());
        texels = resampled.data();
    }
    Texture* texture = TextureLoader().createTexture(target, GL_RGBA8, potWidth, potHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                                                     GL_LINEAR, false, false, true, texels);
    glBindTexture(target, 0);
    glDisable(target);  // loads have always left texturing off
    ilDeleteImages(1, &image);
    return texture;
}

// The bound DevIL image as a picture shown whole, a screen: at its own size (any size makes a
// texture since OpenGL 2.0), filtered but without mipmaps, and clamped so that its edges do not
// blend with the opposite ones. Resampled to power-of-two sides, as the textures above are, an
// 800 x 600 screen came out softer.
Texture* uploadBoundPicture(ILuint image) {
    ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    ILinfo info;
    iluGetImageInfo(&info);
    if (info.Origin == IL_ORIGIN_UPPER_LEFT) iluFlipImage();  // OpenGL's first row is the bottom one
    Texture* texture = TextureLoader().createTexture(GL_TEXTURE_2D, GL_RGBA8, info.Width, info.Height, GL_RGBA,
                                                     GL_UNSIGNED_BYTE, GL_LINEAR, true, false, true, ilGetData());
    glBindTexture(GL_TEXTURE_2D, 0);
    ilDeleteImages(1, &image);
    return texture;
}

// Decodes a picture file into the bound DevIL image. The file is read here (plain files only,
// within the picture limit) and checked first, and DevIL decodes it from memory: DevIL never
// opens a file itself, so a folder, a FIFO or a device in place of a picture is just a
// picture that does not load, and a damaged or oversized one never reaches the decoder.
bool decodePictureFile(const std::string& path) {
    const files::ReadResult file = files::readRegularFile(path, files::kPictureLimit);
    if (!file.ok() || file.data.empty()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data.data());
    return imagecheck::bufferIsSound(bytes, file.data.size()) &&
           ilLoadL(ilTypeFromExt(path.c_str()), bytes, static_cast<ILuint>(file.data.size()));
}

// DevIL decodes nothing sound before it is started, which every decode here does first, once:
// the title's picture is loaded before anything else asks for one.
void startImageLibrary() {
    static const bool started = (ilInit(), iluInit(), true);
    (void)started;
}

// A new DevIL image, bound, with the file under "Textures/" (or the bytes) decoded into it; 0
// when there is nothing to decode or it does not decode.
ILuint decodedFile(const std::string& fileName) {
    if (fileName.empty()) return 0;
    startImageLibrary();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (decodePictureFile("Textures/" + fileName)) return image;
    ilDeleteImages(1, &image);
    return 0;
}

ILuint decodedBytes(unsigned int type, const void* data, unsigned int size) {
    startImageLibrary();
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (data && imagecheck::bufferIsSound(static_cast<const unsigned char*>(data), size) && ilLoadL(type, data, size))
        return image;
    ilDeleteImages(1, &image);
    return 0;
}

}  // namespace

Texture* TextureLoader::loadTexture(std::string fileName, GLenum target) {
    const ILuint image = decodedFile(fileName);
    return image ? uploadBoundImage(image, target) : nullptr;
}

Texture* TextureLoader::loadTextureFromMemory(unsigned int type, const void* data, unsigned int size,
                                              GLenum target) {
    const ILuint image = decodedBytes(type, data, size);
    return image ? uploadBoundImage(image, target) : nullptr;
}

Texture* TextureLoader::loadPicture(std::string fileName) {
    const ILuint image = decodedFile(fileName);
    return image ? uploadBoundPicture(image) : nullptr;
}

Texture* TextureLoader::loadPictureFromMemory(unsigned int type, const void* data, unsigned int size) {
    const ILuint image = decodedBytes(type, data, size);
    return image ? uploadBoundPicture(image) : nullptr;
}

Texture* TextureLoader::load3DTexture(std::string fileName, GLenum target) {
    if (fileName.empty()) return nullptr;
    const ILuint image = decodedFile(fileName);
    if (!image) {
        std::cerr << "[TextureLoader] Could not load image Textures/" << fileName << std::endl;
        return nullptr;
    }

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // To the edge, not GL_CLAMP: the ground never reads past the end slices' centres, where the
    // two differ, and only wrap modes that stay inside the texture keep the 8-bit fast path.
    glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    // Four bytes a texel whatever the file has: a software rasteriser filters those on its
    // fast path. The ground's grain goes in, so that it reads its volume once a pixel.
    const int width = ilGetInteger(IL_IMAGE_WIDTH), height = ilGetInteger(IL_IMAGE_HEIGHT),
              depth = ilGetInteger(IL_IMAGE_DEPTH);
    // DevIL's rows are tightly packed, which OpenGL's default 4-byte row alignment would read
    // skewed where a row is not a multiple of four bytes long.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &largest);
    const bool fits = static_cast<long>(std::max(width, height)) * groundgrain::kScale <= largest;
    if (fits && groundgrain::bakes(width, height, depth) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE)) {
        const int bakedWidth = width * groundgrain::kScale, bakedHeight = height * groundgrain::kScale;
        glTexImage3D(target, 0, GL_RGBA8, bakedWidth, bakedHeight, depth, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        std::vector<uint8_t> slice;
        for (int z = 0; z < depth; ++z) {
            groundgrain::bakeSlice(ilGetData() + static_cast<size_t>(z) * width * height * 4, width, height, slice);
            glTexSubImage3D(target, 0, 0, 0, z, bakedWidth, bakedHeight, 1, GL_RGBA, GL_UNSIGNED_BYTE, slice.data());
        }
    } else {
        // Too large to bake (or not convertible): as read, without the grain.
        const GLint stored = ilGetInteger(IL_IMAGE_BPP) == 3 ? GL_RGBA8 : ilGetInteger(IL_IMAGE_BPP);
        glTexImage3D(target, 0, stored, width, height, depth, 0, static_cast<GLenum>(ilGetInteger(IL_IMAGE_FORMAT)),
                     static_cast<GLenum>(ilGetInteger(IL_IMAGE_TYPE)), ilGetData());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);

    ilDeleteImages(1, &image);
    return new Texture(name);
}

Texture* TextureLoader::createTexture(GLenum target, GLint internalFormat, int width, int height,
                                      GLenum format, GLenum type, GLint minFilter, bool clampToEdge,
                                      bool depthAsLuminance, bool withData, const void* data) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    glTexImage2D(target, 0, internalFormat, width, height, 0, format, type, withData ? data : nullptr);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (clampToEdge) {
        glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    if (depthAsLuminance) glTexParameterf(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_LUMINANCE);
    return new Texture(name);
}
