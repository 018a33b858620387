#pragma once
#include <GL/glew.h>
#include <string>

// Owner of one OpenGL texture name.
class Texture {
public:
    Texture();  // holds the name -1: no texture
    explicit Texture(GLuint id);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Selects texture unit GL_TEXTURE0 + unit, enables the target and binds the name.
    void bind(GLenum target, int unit);
    GLuint getID() const { return id; }

private:
    GLuint id;
};

// Binding through a null pointer is a no-op, so a picture that failed to load never
// breaks a later bind.
inline void bindTexture(Texture* texture, GLenum target, int unit) {
    if (texture) texture->bind(target, unit);
}

// Turns image files (under "Textures/"), encoded images in memory and size-and-format
// descriptions into textures. Every operation returns a new Texture or null.
class TextureLoader {
public:
    Texture* loadTexture(std::string fileName, GLenum target);
    // A ground volume, with the grain the ground shows baked in (terrain/GroundGrain.h).
    Texture* load3DTexture(std::string fileName, GLenum target);
    Texture* loadTextureFromMemory(unsigned int type, const void* data, unsigned int size, GLenum target);
    // A picture shown whole, as a screen is: at its own size, without mipmaps.
    Texture* loadPicture(std::string fileName);
    Texture* loadPictureFromMemory(unsigned int type, const void* data, unsigned int size);
    Texture* createTexture(GLenum target, GLint internalFormat, int width, int height, GLenum format,
                           GLenum type, GLint minFilter, bool clampToEdge, bool depthAsLuminance,
                           bool withData, const void* data);
};
