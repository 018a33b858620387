#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "framework/FBO.h"
#include "framework/Texture.h"

namespace {

int queriedMaxAttachments() {
    GLint value = 0;
    glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS_EXT, &value);
    return value;
}

std::string expectedConsole(const std::string& statusLine) {
    return "\nFBO debugging: \n-----------------------------------------------------------------\n"
           "Max supported FBO color attachments (textures) of your GPU: " +
           std::to_string(queriedMaxAttachments()) + "\n" + statusLine;
}

std::vector<std::string> expectedLog(const std::string& statusLine) {
    const std::string ruler(49, '=');
    return {ruler, "", "FBO debugging: ", ruler, "",
            "Max color attachments of your GPU: " + std::to_string(queriedMaxAttachments()), statusLine};
}

class FboTest : public FrameworkFixture {
protected:
    void TearDown() override {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        glViewport(0, 0, harness::kWidth, harness::kHeight);
        FrameworkFixture::TearDown();
    }
    TextureLoader loader;
};

}  // namespace

TEST_F(FboTest, CompleteFramebufferRendersIntoItsTextureAndReportsComplete) {
    std::unique_ptr<Texture> colour(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 64, 32, GL_RGBA, GL_UNSIGNED_BYTE,
                                                         GL_NEAREST, true, false, false, nullptr));
    FBO fbo(logger.get(), 64, 32, true);
    ASSERT_NE(fbo.getFramebuffer(), 0u);
    ASSERT_NE(fbo.getRenderbuffer(), 0u);
    EXPECT_EQ(fbo.getMaxColorAttachments(), queriedMaxAttachments());
    EXPECT_GE(fbo.getMaxColorAttachments(), 1);

    fbo.bind();
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour->getID());
    fbo.attachDepthRenderbuffer();
    harness::captureStdout();
    fbo.checkStatus();
    EXPECT_EQ(harness::capturedStdout(), expectedConsole("FBO complete!\n"));
    EXPECT_EQ(logLines(), expectedLog("GL_FRAMEBUFFER_COMPLETE"));

    // The depth storage has the object's size once bound.
    GLint rbWidth = 0, rbHeight = 0, depthBits = 0;
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &rbWidth);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_HEIGHT_EXT, &rbHeight);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_DEPTH_SIZE_EXT, &depthBits);
    EXPECT_EQ(rbWidth, 64);
    EXPECT_EQ(rbHeight, 32);
    EXPECT_GT(depthBits, 0);

    glViewport(0, 0, 64, 32);
    glClearColor(0.2f, 0.6f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    fbo.unbind();
    GLint framebuffer = -1, renderbuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &renderbuffer);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_EQ(renderbuffer, 0);

    std::vector<unsigned char> texels(64 * 32 * 4);
    glBindTexture(GL_TEXTURE_2D, colour->getID());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    for (size_t i : {size_t(0), size_t(64 * 32 - 1)}) {
        EXPECT_NEAR(texels[i * 4 + 0], 51, 1);
        EXPECT_NEAR(texels[i * 4 + 1], 153, 1);
        EXPECT_EQ(texels[i * 4 + 2], 255);
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(FboTest, FramebufferWithoutAttachmentsReportsMissingAttachmentInBothChannels) {
    FBO fbo(logger.get(), 16, 16, false);
    fbo.bind();
    harness::captureStdout();
    fbo.checkStatus();
    fbo.unbind();
    EXPECT_EQ(harness::capturedStdout(), expectedConsole("GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT\n"));
    EXPECT_EQ(logLines(), expectedLog("GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT"));
}

TEST_F(FboTest, IncompleteAttachmentIsReported) {
    // A texture with no storage cannot be rendered into.
    GLuint empty = 0;
    glGenTextures(1, &empty);
    glBindTexture(GL_TEXTURE_2D, empty);
    glBindTexture(GL_TEXTURE_2D, 0);
    FBO fbo(logger.get(), 16, 16, false);
    fbo.bind();
    fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, empty);
    harness::captureStdout();
    fbo.checkStatus();
    fbo.unbind();
    glDeleteTextures(1, &empty);
    EXPECT_EQ(harness::capturedStdout(), expectedConsole("GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT\n"));
    EXPECT_EQ(logLines().back(), "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT");
}

TEST_F(FboTest, WithoutDepthNoRenderbufferIsEverTouched) {
    // Some unrelated renderbuffer stays bound through the whole life of a depth-less FBO.
    GLuint other = 0;
    glGenRenderbuffersEXT(1, &other);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, other);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, 8, 8);
    GLint binding = 0;
    {
        FBO fbo(logger.get(), 32, 32, false);
        EXPECT_EQ(fbo.getRenderbuffer(), 0u);
        fbo.bind();
        glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &binding);
        EXPECT_EQ(static_cast<GLuint>(binding), other);
        fbo.unbind();
        glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &binding);
        EXPECT_EQ(static_cast<GLuint>(binding), other);
    }
    glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &binding);
    EXPECT_EQ(static_cast<GLuint>(binding), other);
    GLint width = 0;
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &width);
    EXPECT_EQ(width, 8);  // its storage was not re-specified either
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    glDeleteRenderbuffersEXT(1, &other);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(FboTest, DestructorDeletesItsNamesButNotTheAttachedTexture) {
    std::unique_ptr<Texture> colour(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 8, 8, GL_RGBA, GL_UNSIGNED_BYTE,
                                                         GL_NEAREST, true, false, false, nullptr));
    auto fbo = std::make_unique<FBO>(logger.get(), 8, 8, true);
    fbo->bind();
    fbo->attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour->getID());
    fbo->unbind();
    const GLuint framebuffer = fbo->getFramebuffer();
    const GLuint renderbuffer = fbo->getRenderbuffer();
    EXPECT_TRUE(glIsFramebufferEXT(framebuffer));
    EXPECT_TRUE(glIsRenderbufferEXT(renderbuffer));
    fbo.reset();
    EXPECT_FALSE(glIsFramebufferEXT(framebuffer));
    EXPECT_FALSE(glIsRenderbufferEXT(renderbuffer));
    EXPECT_TRUE(glIsTexture(colour->getID()));
    EXPECT_EQ(harness::glErrors(), "");
}
