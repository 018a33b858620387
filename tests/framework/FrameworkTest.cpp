#include <GL/glew.h>
#include <GL/freeglut.h>
#include <gd.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>

#include "framework/FBO.h"
#include "framework/Logger.h"
#include "framework/ShaderProgram.h"
#include "framework/Texture.h"
#include "support/GlHarness.h"
#include "terrain/GroundGrain.h"

namespace {

using Rgb = std::array<int, 3>;

// Each test runs in a fresh folder (its own log.txt and Textures/).
class Framework : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cwd.ok());
        ASSERT_EQ(mkdir("Textures", 0755), 0);
        harness::glErrors();
    }
    ~Framework() override { harness::removeTree(dir); }
    const std::string dir = harness::makeTempDir("lumivex-fw");
    harness::ScopedCwd cwd{dir};
    Logger logger;
    TextureLoader loader;
};

struct TexImage {
    TexImage(GLenum target, GLuint name) : rgba(harness::readTexture(target, name, &w, &h, &d)) {}
    Rgb at(int x, int y, int z = 0) const {
        const unsigned char* p = &rgba[((static_cast<size_t>(z) * h + y) * w + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
    int w = 0, h = 0, d = 0;
    std::vector<unsigned char> rgba;
};

TEST_F(Framework, ShadersTakeDefinesBehindTheVersionLineAndPiecesBesideThemAndReloadingReplacesEveryObject) {
    harness::writeFileText("p.vert", "#version 120\n\nvoid main() { gl_Position = gl_Vertex; }\n");
    // Red comes from a define, green and blue from a uniform; "unused" is optimised away.
    // RED's default comes from a piece the shader includes; a piece may not come from elsewhere.
    harness::writeFileText("red.glsl", "#ifndef RED\n#define RED 0.0\n#endif");
    harness::writeFileText("p.frag", "#version 120\n#include \"red.glsl\"\nuniform vec4 color;\n"
                                     "uniform float unused;\nvoid main() { gl_FragColor = vec4(RED, color.gb, 1.0); }\n");
    harness::writeFileText("outside.frag", "#version 120\n#include \"../p.frag\"\n");
    ASSERT_EQ(mkfifo("pipe.frag", 0644), 0);  // nobody writes it
    harness::captureStdout();
    EXPECT_EQ(ShaderProgram(&logger).getUniformLocation("color"), -1);  // nothing loaded
    auto program = std::make_unique<ShaderProgram>(&logger);
    glDisable(GL_DEPTH_TEST);
    GLuint previous = 0;
    for (const std::string defines : {"", "#define RED 1.0\n"}) {
        program->load("p.vert", "p.frag", defines);
        // Only the linked program is kept: the shader objects go right after the link.
        GLint attached = -1;
        glGetProgramiv(program->getProgram(), GL_ATTACHED_SHADERS, &attached);
        EXPECT_EQ(attached, 0);
        EXPECT_FALSE(glIsProgram(previous));
        previous = program->getProgram();
        program->use();
        program->setUniform4f(program->getUniformLocation("color"), 0.0f, 0.4f, 0.8f, 1.0f);
        glRectf(-1, -1, 1, 1);
        program->unuse();
        const std::vector<unsigned char> p = harness::readPixels(400, 300, 1, 1);
        EXPECT_TRUE(std::abs(p[0] - (defines.empty() ? 0 : 255)) <= 2 && std::abs(p[1] - 102) <= 2 && std::abs(p[2] - 204) <= 2)
            << +p[0] << " " << +p[1] << " " << +p[2];
    }
    EXPECT_EQ(program->getUniformLocation("unused"), -1);
    program->load("", "");  // a missing path keeps what was loaded
    program->load("p.vert", "");
    EXPECT_EQ(program->getProgram(), previous);
    program->load("p.vert", "outside.frag");
    program->load("p.vert", "pipe.frag");  // neither a FIFO nor a folder is read, nor blocks
    program->load(dir, "p.frag");
    const GLuint last = program->getProgram();
    program.reset();
    EXPECT_FALSE(glIsProgram(last));
    const std::string printed = harness::capturedStdout();
    const std::vector<std::string> said = {
        "No active shader program object found!", "Could't compile shader code or load shader variable: unused",
        "No vertex shader file found!\nNo fragment shader file found!\nNo fragment shader file found!",
        "Could not open shader file: pipe.frag", "Could not open shader file: " + dir,
        "Not a shader piece beside outside.frag: ../p.frag"};
    for (const std::string& line : said) EXPECT_NE(printed.find(line), std::string::npos) << line << "\n" << printed;
    // The log says it too.
    EXPECT_NE(harness::readFileText("log.txt").find("Could not open file: pipe.frag\n"), std::string::npos);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(Framework, FboReportsItsStatusAndSpecifiesTheDepthStorageOnce) {
    FBO fbo(&logger, 64, 32, true);
    fbo.bind();
    harness::captureStdout();
    fbo.checkStatus();
    std::unique_ptr<Texture> colour(loader.createTexture(GL_TEXTURE_2D, GL_RGBA8, 64, 32, GL_RGBA, GL_UNSIGNED_BYTE,
                                                         GL_NEAREST, true, false, false, nullptr));
    fbo.attachTexture(GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour->getID());
    fbo.attachDepthRenderbuffer();
    fbo.checkStatus();
    // Both reports on the console and in the log, the last one at the end.
    const std::string printed = harness::capturedStdout(), log = harness::readFileText("log.txt");
    for (const std::string& out : {printed, log})
        EXPECT_NE(out.find("\nGL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT\n"), std::string::npos) << out;
    EXPECT_EQ(printed.substr(printed.size() - 14) + log.substr(log.size() - 24), "FBO complete!\nGL_FRAMEBUFFER_COMPLETE\n");

    // A size set behind the FBO's back survives further binds: the storage was made once. One
    // without depth leaves the renderbuffer binding alone.
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, 8, 4);
    fbo.unbind();
    fbo.bind();
    FBO plain(&logger, 32, 32, false);
    plain.bind();
    plain.unbind();
    GLint binding = 0, width = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &binding);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, GL_RENDERBUFFER_WIDTH_EXT, &width);
    EXPECT_EQ(static_cast<GLuint>(binding), fbo.getRenderbuffer());
    EXPECT_EQ(width, 8);
    fbo.unbind();
    EXPECT_EQ(harness::glErrors(), "");
}

// Pictures load upright, textures resampled to power-of-two sides and screens at their own size,
// volumes unskewed with their depth; what is not a picture, or not a file at all, gives null
// without blocking, and only the volume loader says so.
TEST_F(Framework, TexturesLoadUprightAndUnskewedAndEverythingElseAsNull) {
    // As a viewer sees it: top-left red, top-right blue, bottom-left green, bottom-right white.
    gdImagePtr image = gdImageCreateTrueColor(40, 20);
    const int quadrants[4] = {gdTrueColor(255, 0, 0), gdTrueColor(0, 0, 255), gdTrueColor(0, 255, 0), gdTrueColor(255, 255, 255)};
    for (int q = 0; q < 4; ++q) gdImageFilledRectangle(image, q % 2 * 20, q / 2 * 10, q % 2 * 20 + 19, q / 2 * 10 + 9, quadrants[q]);
    int size = 0;
    auto save = [&size](const std::string& name, void* bytes) {
        harness::writeFileText("Textures/" + name, std::string(static_cast<char*>(bytes), size));
        gdFree(bytes);
    };
    save("quad.png", gdImagePngPtr(image, &size));
    save("quad.jpg", gdImageJpegPtr(image, &size, 100));
    gdImageDestroy(image);
    for (const char* name : {"quad.png", "quad.jpg"})
        for (bool screen : {false, true}) {
            std::unique_ptr<Texture> texture(screen ? loader.loadPicture(name) : loader.loadTexture(name, GL_TEXTURE_2D));
            ASSERT_NE(texture, nullptr) << name;
            const TexImage t(GL_TEXTURE_2D, texture->getID());
            EXPECT_EQ((Rgb{t.w, t.h, t.d}), screen ? (Rgb{40, 20, 1}) : (Rgb{32, 16, 1})) << name << screen;
            // OpenGL's first texel row is the picture's bottom row; JPEG corners stay close.
            const Rgb corners[4] = {t.at(0, 0), t.at(t.w - 1, 0), t.at(0, t.h - 1), t.at(t.w - 1, t.h - 1)};
            const Rgb expected[4] = {{0, 255, 0}, {255, 255, 255}, {255, 0, 0}, {0, 0, 255}};
            for (int c = 0; c < 4; ++c)
                for (int i = 0; i < 3; ++i)
                    EXPECT_NEAR(corners[c][i], expected[c][i], 24) << name << screen << " corner " << c;
        }

    // An RGB volume of 3 x 2 x 3: rows of nine bytes, not a multiple of OpenGL's default alignment.
    const uint32_t header[31] = {124, 0x80100F, 2, 3, 9, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0x40, 0, 24,
                                 0xFF0000, 0xFF00, 0xFF, 0, 0x1008, 0x200000, 0, 0, 0};
    std::string dds = "DDS ";
    for (uint32_t v : header) dds += {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    for (int i = 0; i < 18; ++i) dds += {char(250 - i * 10), char(i * 5 + 1), char(i * 10)};  // blue, green, red
    harness::writeFileText("Textures/odd.dds", dds);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // OpenGL's default
    std::unique_ptr<Texture> volume(loader.load3DTexture("odd.dds", GL_TEXTURE_3D));
    ASSERT_NE(volume, nullptr);
    // It is the ground's: each slice is baked with its grain, from the file's texels unskewed.
    const TexImage t(GL_TEXTURE_3D, volume->getID());
    const int k = groundgrain::kScale;
    ASSERT_EQ((Rgb{t.w, t.h, t.d}), (Rgb{3 * k, 2 * k, 3}));
    for (int z = 0; z < 3; ++z) {
        std::vector<uint8_t> slice, baked;
        for (int i = 6 * z; i < 6 * z + 6; ++i) slice.insert(slice.end(), {uint8_t(i * 10), uint8_t(i * 5 + 1), uint8_t(250 - i * 10), 255});
        groundgrain::bakeSlice(slice.data(), 3, 2, baked);
        for (int i = 0; i < 6 * k * k; ++i)
            EXPECT_EQ(t.at(i % (3 * k), i / (3 * k), z), (Rgb{baked[i * 4], baked[i * 4 + 1], baked[i * 4 + 2]})) << z << " " << i;
    }

    // More damaged pictures: tests/faults; too large ones: ImageCheckRulesTest.
    harness::writeFileText("Textures/empty.png", "");
    ASSERT_EQ(mkfifo("Textures/pipe.jpg", 0644) | mkdir("Textures/folder.png", 0755), 0);
    ASSERT_EQ(symlink("/dev/zero", "Textures/zero.dds"), 0);
    harness::captureStderr();
    for (const char* name : {"", "nothere.png", "empty.png", "pipe.jpg", "folder.png"})
        EXPECT_TRUE(!loader.loadTexture(name, GL_TEXTURE_2D) && !loader.loadPicture(name)) << name;
    for (const char* name : {"", "nothere.dds", "zero.dds"}) EXPECT_EQ(loader.load3DTexture(name, GL_TEXTURE_3D), nullptr) << name;
    EXPECT_EQ(harness::capturedStderr(), "[TextureLoader] Could not load image Textures/nothere.dds\n"
                                         "[TextureLoader] Could not load image Textures/zero.dds\n");
    EXPECT_EQ(harness::glErrors(), "");
}

}  // namespace
