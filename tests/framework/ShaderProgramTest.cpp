#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "framework/ShaderProgram.h"

namespace {

const char* const kBannerOut =
    "\nShader debugging: \n-----------------------------------------------------------------\n";
const std::string kRuler(49, '=');

const char* const kVertex =
    "#version 120\n"
    "void main() {\n"
    "    gl_Position = gl_Vertex;\n"
    "}\n";

const char* const kFragment =
    "#version 120\n"
    "uniform vec4 color;\n"
    "uniform float gain;\n"
    "uniform int mode;\n"
    "uniform float unused;\n"
    "void main() {\n"
    "    float dead = unused * 0.0;\n"
    "    gl_FragColor = mode == 1 ? vec4(color.rgb * gain, 1.0) : vec4(1.0, 0.0, 1.0, 1.0);\n"
    "}\n";

std::string shaderSource(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_SHADER_SOURCE_LENGTH, &length);
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    if (length > 0) glGetShaderSource(shader, length, nullptr, text.data());
    return std::string(text.data());
}

GLint linkStatus(GLuint program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status;
}

void drawFullScreenQuad() {
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
}

class ShaderProgramTest : public FrameworkFixture {
protected:
    void writePair() {
        harness::writeFileText(path("pair.vert"), kVertex);
        harness::writeFileText(path("pair.frag"), kFragment);
    }
};

}  // namespace

TEST_F(ShaderProgramTest, BannerGoesToBothChannelsOnConstruction) {
    harness::captureStdout();
    ShaderProgram program(logger.get());
    EXPECT_EQ(harness::capturedStdout(), kBannerOut);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kRuler, "", "Shader debugging: ", kRuler}));
    EXPECT_EQ(program.getProgram(), 0u);
    EXPECT_EQ(program.getVertexShader(), 0u);
    EXPECT_EQ(program.getFragmentShader(), 0u);
}

TEST_F(ShaderProgramTest, RealPairLoadsLinksAndDrawsWithItsUniforms) {
    writePair();
    ShaderProgram program(logger.get());
    harness::captureStdout();
    program.load(path("pair.vert"), path("pair.frag"));
    const std::string out = harness::capturedStdout();
    EXPECT_EQ(out.rfind("Load " + path("pair.vert") + " \nLoad " + path("pair.frag") + " \n", 0), 0u) << out;

    ASSERT_NE(program.getProgram(), 0u);
    EXPECT_TRUE(glIsShader(program.getVertexShader()));
    EXPECT_TRUE(glIsShader(program.getFragmentShader()));
    ASSERT_EQ(linkStatus(program.getProgram()), GL_TRUE);
    EXPECT_EQ(shaderSource(program.getVertexShader()), "\n" + std::string(kVertex).substr(0, strlen(kVertex) - 1));

    const int color = program.getUniformLocation("color");
    const int gain = program.getUniformLocation("gain");
    const int mode = program.getUniformLocation("mode");
    ASSERT_GE(color, 0);
    ASSERT_GE(gain, 0);
    ASSERT_GE(mode, 0);

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    program.use();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), program.getProgram());
    program.setUniform1i(mode, 1);
    program.setUniform1f(gain, 0.5f);
    program.setUniform4f(color, 0.4f, 0.8f, 1.0f, 1.0f);
    drawFullScreenQuad();
    program.unuse();
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
    const auto pixel = harness::readPixel(400, 300);
    EXPECT_NEAR(pixel[0], 51, 2);
    EXPECT_NEAR(pixel[1], 102, 2);
    EXPECT_NEAR(pixel[2], 128, 2);

    // The int uniform really switches the branch.
    program.use();
    program.setUniform1i(mode, 0);
    drawFullScreenQuad();
    program.unuse();
    const auto magenta = harness::readPixel(10, 10);
    EXPECT_EQ(magenta[0], 255);
    EXPECT_EQ(magenta[1], 0);
    EXPECT_EQ(magenta[2], 255);
    EXPECT_EQ(harness::glErrors(), "");

    // The log got the two file names after the banner.
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[4], path("pair.vert"));
    EXPECT_EQ(lines[5], path("pair.frag"));
}

TEST_F(ShaderProgramTest, FileTextStartsWithNewlineAndJoinsLines) {
    harness::writeFileText(path("ab.vert"), "a\nb\n");
    harness::writeFileText(path("ab.frag"), "a\nb");
    harness::writeFileText(path("empty.frag"), "");
    harness::writeFileText(path("blank.frag"), "\n\nx\n");
    ShaderProgram program(logger.get());
    harness::captureStdout();
    program.load(path("ab.vert"), path("ab.frag"));
    EXPECT_EQ(shaderSource(program.getVertexShader()), "\na\nb");
    EXPECT_EQ(shaderSource(program.getFragmentShader()), "\na\nb");
    program.load(path("ab.vert"), path("empty.frag"));
    EXPECT_EQ(shaderSource(program.getFragmentShader()), "");
    program.load(path("ab.vert"), path("blank.frag"));
    EXPECT_EQ(shaderSource(program.getFragmentShader()), "\n\n\nx");
    harness::capturedStdout();
}

TEST_F(ShaderProgramTest, EmptyPathsReportInOrderAndTouchNothing) {
    writePair();
    ShaderProgram program(logger.get());
    harness::captureStdout();
    program.load("", "");
    EXPECT_EQ(harness::capturedStdout(), "No vertex shader file found!\nNo fragment shader file found!\n");
    EXPECT_EQ(program.getProgram(), 0u);
    EXPECT_EQ(program.getVertexShader(), 0u);

    harness::captureStdout();
    program.load(path("pair.vert"), "");
    EXPECT_EQ(harness::capturedStdout(), "No fragment shader file found!\n");
    harness::captureStdout();
    program.load("", path("pair.frag"));
    EXPECT_EQ(harness::capturedStdout(), "No vertex shader file found!\n");
    EXPECT_EQ(program.getProgram(), 0u);

    // An earlier program survives a load with a missing path.
    harness::captureStdout();
    program.load(path("pair.vert"), path("pair.frag"));
    const GLuint loaded = program.getProgram();
    program.load(path("pair.vert"), "");
    harness::capturedStdout();
    EXPECT_EQ(program.getProgram(), loaded);
    EXPECT_TRUE(glIsProgram(loaded));

    const auto lines = logLines();
    const std::vector<std::string> expected{"No vertex shader file found!", "No fragment shader file found!",
                                            "No fragment shader file found!", "No vertex shader file found!"};
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 8), expected);
}

TEST_F(ShaderProgramTest, MissingFileReportsAndLeavesAnUnlinkedProgramWithItsLog) {
    harness::writeFileText(path("pair.frag"), kFragment);
    ShaderProgram program(logger.get());
    harness::captureStdout();
    program.load(path("nothere.vert"), path("pair.frag"));
    const std::string out = harness::capturedStdout();
    const std::string expectedStart = "Load " + path("nothere.vert") + " \nCould not open shader file: " +
                                      path("nothere.vert") + " \nLoad " + path("pair.frag") + " \n";
    EXPECT_EQ(out.rfind(expectedStart, 0), 0u) << out;
    // The failed link is told by the info log, under its heading.
    EXPECT_NE(out.find("\n  ====== SHADER PROGRAM INFO ====== \n"), std::string::npos) << out;
    ASSERT_NE(program.getProgram(), 0u);
    EXPECT_EQ(linkStatus(program.getProgram()), GL_FALSE);
    EXPECT_EQ(shaderSource(program.getVertexShader()), "");
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4], path("nothere.vert"));
    EXPECT_EQ(lines[5], "Could not open file: " + path("nothere.vert"));
    EXPECT_EQ(lines[6], path("pair.frag"));
}

TEST_F(ShaderProgramTest, InfoLogIsPrintedWithHeadingOnlyWhenNonEmpty) {
    writePair();
    ShaderProgram program(logger.get());
    harness::captureStdout();
    program.load(path("pair.vert"), path("pair.frag"));
    harness::capturedStdout();

    GLint length = 0;
    glGetProgramiv(program.getProgram(), GL_INFO_LOG_LENGTH, &length);
    std::string driverLog;
    if (length > 0) {
        std::vector<char> text(static_cast<size_t>(length), '\0');
        glGetProgramInfoLog(program.getProgram(), length, nullptr, text.data());
        driverLog = text.data();
    }
    harness::captureStdout();
    ShaderProgram::printProgramInfoLog(program.getProgram());
    const std::string out = harness::capturedStdout();
    if (length > 1)
        EXPECT_EQ(out, "\n  ====== SHADER PROGRAM INFO ====== \n" + driverLog + "\n");
    else
        EXPECT_EQ(out, "\n");

    // A program that failed to link always has a log.
    harness::writeFileText(path("broken.frag"), "this is not GLSL");
    harness::captureStdout();
    program.load(path("pair.vert"), path("broken.frag"));
    const std::string failed = harness::capturedStdout();
    const size_t heading = failed.find("\n  ====== SHADER PROGRAM INFO ====== \n");
    ASSERT_NE(heading, std::string::npos) << failed;
    EXPECT_GT(failed.size(), heading + 40);
    EXPECT_EQ(failed.back(), '\n');
}

TEST_F(ShaderProgramTest, ReloadAndReleaseLeaveNoObjectsBehind) {
    writePair();
    auto program = std::make_unique<ShaderProgram>(logger.get());
    harness::captureStdout();
    program->load(path("pair.vert"), path("pair.frag"));
    const GLuint vertex1 = program->getVertexShader();
    const GLuint fragment1 = program->getFragmentShader();
    const GLuint program1 = program->getProgram();
    program->load(path("pair.vert"), path("pair.frag"));
    harness::capturedStdout();
    EXPECT_FALSE(glIsShader(vertex1));
    EXPECT_FALSE(glIsShader(fragment1));
    EXPECT_FALSE(glIsProgram(program1));
    const GLuint vertex2 = program->getVertexShader();
    const GLuint fragment2 = program->getFragmentShader();
    const GLuint program2 = program->getProgram();
    EXPECT_TRUE(glIsShader(vertex2));
    EXPECT_TRUE(glIsShader(fragment2));
    EXPECT_TRUE(glIsProgram(program2));
    EXPECT_EQ(linkStatus(program2), GL_TRUE);

    program->release();
    EXPECT_EQ(program->getProgram(), 0u);
    EXPECT_EQ(program->getVertexShader(), 0u);
    EXPECT_EQ(program->getFragmentShader(), 0u);
    EXPECT_FALSE(glIsShader(vertex2));
    EXPECT_FALSE(glIsShader(fragment2));
    EXPECT_FALSE(glIsProgram(program2));
    program->release();  // twice is harmless
    EXPECT_EQ(harness::glErrors(), "");

    // The destructor releases too.
    harness::captureStdout();
    program->load(path("pair.vert"), path("pair.frag"));
    harness::capturedStdout();
    const GLuint program3 = program->getProgram();
    ASSERT_TRUE(glIsProgram(program3));
    program.reset();
    EXPECT_FALSE(glIsProgram(program3));
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(ShaderProgramTest, MissingUniformGivesMinusOneAndBothMessages) {
    writePair();
    ShaderProgram program(logger.get());
    harness::captureStdout();
    EXPECT_EQ(program.getUniformLocation("color"), -1);
    EXPECT_EQ(harness::capturedStdout(), "No active shader program object found!\n");

    harness::captureStdout();
    program.load(path("pair.vert"), path("pair.frag"));
    harness::capturedStdout();
    harness::captureStdout();
    EXPECT_EQ(program.getUniformLocation("nothere"), -1);
    EXPECT_EQ(program.getUniformLocation("unused"), -1);  // optimised away by the compiler
    EXPECT_GE(program.getUniformLocation("color"), 0);
    EXPECT_EQ(harness::capturedStdout(),
              "Could't compile shader code or load shader variable: nothere \n"
              "Could't compile shader code or load shader variable: unused \n");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[4], "No active program object found!");
    EXPECT_EQ(lines[7], "Could't compile shader code or load variable: nothere");
    EXPECT_EQ(lines[8], "Could't compile shader code or load variable: unused");
    // The setters ignore -1 without a GL error.
    program.use();
    program.setUniform1f(-1, 1.0f);
    program.setUniform1i(-1, 1);
    program.setUniform4f(-1, 1.0f, 1.0f, 1.0f, 1.0f);
    program.unuse();
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(ShaderProgramTest, DestroyingAnEmptyProgramMakesNoGlCall) {
    // With the current program set, an empty object's destructor must not reset it or raise errors.
    writePair();
    ShaderProgram keeper(logger.get());
    harness::captureStdout();
    keeper.load(path("pair.vert"), path("pair.frag"));
    keeper.use();
    { ShaderProgram empty(logger.get()); }
    harness::capturedStdout();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), keeper.getProgram());
    keeper.unuse();
    EXPECT_EQ(harness::glErrors(), "");
}
