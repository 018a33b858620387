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

}  // namespace
