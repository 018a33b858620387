#pragma once
#include <GL/glew.h>

class Logger;

// One framebuffer object, optionally with a depth renderbuffer of the same size (its storage
// is made at the first bind).
class FBO {
public:
    FBO(Logger* logger, int width, int height, bool withDepth);
    ~FBO();
    FBO(const FBO&) = delete;
    FBO& operator=(const FBO&) = delete;

    void bind();
    void unbind();
    void attachTexture(GLenum attachment, GLenum textureTarget, GLuint textureName);
    void attachDepthRenderbuffer();
    int getMaxColorAttachments();
    void checkStatus();

    GLuint getFramebuffer() const { return fbo; }
    GLuint getRenderbuffer() const { return rbo; }

private:
    Logger* logger;
    GLuint fbo;
    GLuint rbo;
    int width;
    int height;
    bool withDepth;
    bool depthStorage;  // the renderbuffer's storage is specified at the first bind only
};
