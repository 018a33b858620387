#include "framework/FBO.h"

#include <cstdio>
#include <string>

#include "framework/Logger.h"
#include "framework/Screen.h"

FBO::FBO(Logger* logger, int width, int height, bool withDepth)
    : logger(logger), fbo(0), rbo(0), width(width), height(height), withDepth(withDepth), depthStorage(false) {
    glGenFramebuffersEXT(1, &fbo);
    if (withDepth) glGenRenderbuffersEXT(1, &rbo);
}

FBO::~FBO() {
    glDeleteFramebuffersEXT(1, &fbo);
    if (withDepth) glDeleteRenderbuffersEXT(1, &rbo);
}

void FBO::bind() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo);
    // A target is drawn whole, at its own size, wherever the picture sits on the window.
    if (screen::picture().width > 0) {
        glViewport(0, 0, width, height);
        glDisable(GL_SCISSOR_TEST);
    }
    if (withDepth) {
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, rbo);
        // The size never changes: specifying the storage again at every bind would only
        // reallocate it, several times a frame.
        if (!depthStorage) {
            glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, width, height);
            depthStorage = true;
        }
    }
}

void FBO::unbind() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    screen::applyPicture();
    if (withDepth) glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
}

void FBO::attachTexture(GLenum attachment, GLenum textureTarget, GLuint textureName) {
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, attachment, textureTarget, textureName, 0);
}

void FBO::attachDepthRenderbuffer() {
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, rbo);
}

int FBO::getMaxColorAttachments() {
    GLint maxAttachments = 0;
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS_EXT, &maxAttachments);
    return maxAttachments;
}

namespace {
struct StatusText {
    GLenum status;
    const char* logLine;
    const char* consoleLine;
};

const StatusText kStatusTexts[] = {
    {GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT, "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT",
     "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT\n"},
    {GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT, "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT",
     "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT\n"},
    {GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT, "GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT",
     "GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT\n"},
    {GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT, "GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT",
     "GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT\n"},
    {GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT, "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT",
     "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT\n"},
    {GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT, "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT",
     "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT\n"},
    {GL_FRAMEBUFFER_UNSUPPORTED_EXT, "GL_FRAMEBUFFER_UNSUPPORTED_EXT", "GL_FRAMEBUFFER_UNSUPPORTED_EXT\n"},
    {GL_FRAMEBUFFER_COMPLETE_EXT, "GL_FRAMEBUFFER_COMPLETE", "FBO complete!\n"},
};
}  // namespace

void FBO::checkStatus() {
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);

    logger->log("=================================================\n");
    logger->log("FBO debugging: ");
    logger->log("=================================================\n");
    logger->log("Max color attachments of your GPU: " + std::to_string(getMaxColorAttachments()));

    std::printf("\n");
    std::printf("FBO debugging: \n");
    std::printf("-----------------------------------------------------------------\n");
    std::printf("Max supported FBO color attachments (textures) of your GPU: %d\n", getMaxColorAttachments());

    for (const StatusText& entry : kStatusTexts) {
        if (entry.status == status) {
            logger->log(entry.logLine);
            std::printf("%s", entry.consoleLine);
            break;
        }
    }
}
