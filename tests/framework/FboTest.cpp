#include <memory>
#include <vector>

#include "FrameworkFixture.h"
#include "framework/FBO.h"
#include "framework/Texture.h"

namespace {

class FboTest : public FrameworkFixture {
protected:
    // checkStatus on the bound framebuffer: the report on the console and in the last log lines.
    void expectReport(FBO& fbo, const std::string& status, const std::string& consoleLine) {
        GLint queried = 0;
        glGetIntegerv(GL_MAX_COLOR_ATTACHMENTS_EXT, &queried);
        const std::string max = std::to_string(queried);
        harness::captureStdout();
        fbo.checkStatus();
        EXPECT_EQ(harness::capturedStdout(), "\nFBO debugging: \n" + std::string(65, '-') +
                                                 "\nMax supported FBO color attachments (textures) of your GPU: " +
                                                 max + "\n" + consoleLine);
        const std::string ruler(49, '=');
        const auto lines = logLines();
        ASSERT_GE(lines.size(), 7u);
        EXPECT_EQ(std::vector<std::string>(lines.end() - 7, lines.end()),
                  (std::vector<std::string>{ruler, "", "FBO debugging: ", ruler, "",
                                            "Max color attachments of your GPU: " + max, status}));
    }
};

TEST_F(FboTest, MissingAttachmentAndCompleteAreReportedInBothChannels) {
    FBO fbo(logger.get(), 64, 32, true);
    fbo.bind();
    expectReport(fbo, "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT",
                 "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT\n");
    TextureLoader loader;
    std::unique_ptr<Texture> colour(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 64, 32, GL_RGBA, GL_UNSIGNED_BYTE,
                                                         GL_NEAREST, true, false, false, nullptr));
    fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour->getID());
    fbo.attachDepthRenderbuffer();
    expectReport(fbo, "GL_FRAMEBUFFER_COMPLETE", "FBO complete!\n");
    fbo.unbind();
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(FboTest, WithoutDepthNoRenderbufferIsTouched) {
    // An unrelated renderbuffer stays bound, with its storage, through the whole life of the FBO.
    GLuint other = 0;
    glGenRenderbuffersEXT(1, &other);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, other);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, 8, 8);
    {
        FBO fbo(logger.get(), 32, 32, false);
        fbo.bind();
        fbo.unbind();
    }
    GLint binding = 0, width = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &binding);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &width);
    EXPECT_EQ(static_cast<GLuint>(binding), other);
    EXPECT_EQ(width, 8);
    glDeleteRenderbuffersEXT(1, &other);
    EXPECT_EQ(harness::glErrors(), "");
}

// The depth storage is made once: a later bind keeps it (here a marker size set behind the
// FBO's back survives two binds), and the depth test works across binds in an FBO that
// attaches it.
TEST_F(FboTest, BindingAgainKeepsTheDepthStorageAndItsContents) {
    TextureLoader loader;
    std::unique_ptr<Texture> colour(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 64, 32, GL_RGBA, GL_UNSIGNED_BYTE,
                                                         GL_NEAREST, true, false, false, nullptr));
    auto boundDepthSize = [] {
        GLint width = 0, height = 0;
        glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &width);
        glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_HEIGHT_EXT, &height);
        return std::to_string(width) + "x" + std::to_string(height);
    };
    {
        FBO marked(logger.get(), 64, 32, true);
        marked.bind();
        EXPECT_EQ(boundDepthSize(), "64x32");
        glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, 8, 4);
        marked.unbind();
        marked.bind();
        marked.unbind();
        marked.bind();
        GLint binding = 0;
        glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &binding);
        EXPECT_EQ(static_cast<GLuint>(binding), marked.getRenderbuffer());
        EXPECT_EQ(boundDepthSize(), "8x4") << "bind specified the storage again";
        marked.unbind();
    }

    FBO fbo(logger.get(), 64, 32, true);
    fbo.bind();
    fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour->getID());
    fbo.attachDepthRenderbuffer();
    ASSERT_EQ(glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE_EXT));
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glViewport(0, 0, 64, 32);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glPushMatrix();
        glLoadIdentity();
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Left half near (red), then after two more binds the whole target farther (green): only
    // the right half turns green, as the left half's depth is still there.
    auto rect = [](float x1, float r, float g) {
        glColor3f(r, g, 0);
        glRectf(-1, -1, x1, 1);
    };
    glPushMatrix();
    glTranslatef(0, 0, -0.5f);
    rect(0, 1, 0);
    glPopMatrix();
    fbo.unbind();
    fbo.bind();
    fbo.unbind();
    fbo.bind();
    glPushMatrix();
    glTranslatef(0, 0, 0.5f);
    rect(1, 0, 1);
    glPopMatrix();
    std::vector<unsigned char> px(4 * 2);
    glReadPixels(10, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glReadPixels(54, 16, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px.data() + 4);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glPopMatrix();
    }
    glPopAttrib();
    fbo.unbind();
    EXPECT_EQ(std::vector<int>(px.begin(), px.begin() + 3), (std::vector<int>{255, 0, 0})) << "near half";
    EXPECT_EQ(std::vector<int>(px.begin() + 4, px.begin() + 7), (std::vector<int>{0, 255, 0})) << "far half";
    EXPECT_EQ(harness::glErrors(), "");
}

}  // namespace
