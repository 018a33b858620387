#include <sys/stat.h>
#include <unistd.h>

#include "FrameworkFixture.h"
#include "framework/ShaderProgram.h"

namespace {

using LoggerTest = FrameworkFixture;
const std::string kHeader = "Lumenwerk Framework Logfile v0.05\n";

TEST_F(LoggerTest, ReplacesAnOldFileAndWritesEachLineAsPassed) {
    logger.reset();
    harness::writeFileText(path("log.txt"), "an old run\nwith two lines\n");
    Logger log;
    EXPECT_EQ(harness::readFileText(path("log.txt")), kHeader);  // flushed before any message
    log.log("abc");
    log.log(std::string("abc\n"));
    EXPECT_EQ(harness::readFileText(path("log.txt")), kHeader + "abc\nabc\n\n");
}

TEST_F(LoggerTest, ALinkOrAFifoAtTheLogIsReplacedNeverWrittenThrough) {
    logger.reset();
    harness::writeFileText(path("table.txt"), "900;Ada\n");
    ASSERT_EQ(unlink(path("log.txt").c_str()), 0);
    ASSERT_EQ(symlink("table.txt", path("log.txt").c_str()), 0);
    Logger().log("run");
    EXPECT_EQ(harness::readFileText(path("table.txt")), "900;Ada\n");
    ASSERT_EQ(unlink(path("log.txt").c_str()), 0);
    ASSERT_EQ(mkfifo(path("log.txt").c_str(), 0644), 0);  // opening it to write would wait for a reader
    Logger log;
    log.log("abc");
    struct stat st {};
    ASSERT_EQ(lstat(path("log.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(harness::readFileText(path("log.txt")), kHeader + "abc\n");
}

TEST_F(LoggerTest, UnopenableLogFileDoesNotStopTheProgram) {
    logger.reset();
    ASSERT_EQ(unlink(path("log.txt").c_str()), 0);
    ASSERT_EQ(mkdir(path("log.txt").c_str(), 0755), 0);  // a folder cannot be opened as a file, even by root
    Logger blocked;
    blocked.log("abc");
    harness::captureStdout();
    ShaderProgram program(&blocked);
    EXPECT_EQ(program.getUniformLocation("anything"), -1);
    // The messages still reach the console.
    EXPECT_NE(harness::capturedStdout().find("No active shader program object found!\n"), std::string::npos);
}

const char* const kVertex = "#version 120\nvoid main() { gl_Position = gl_Vertex; }\n";
// "unused" is optimised away by the compiler.
const char* const kFragment =
    "#version 120\nuniform vec4 color;\nuniform float unused;\nvoid main() { gl_FragColor = color; }\n";

class ShaderProgramTest : public FrameworkFixture {
protected:
    // Loads the pair and returns what it printed.
    std::string loadPair(ShaderProgram& program) {
        harness::writeFileText(path("p.vert"), kVertex);
        harness::writeFileText(path("p.frag"), kFragment);
        harness::captureStdout();
        program.load(path("p.vert"), path("p.frag"));
        return harness::capturedStdout();
    }
};

TEST_F(ShaderProgramTest, RealPairLoadsLinksAndDraws) {
    ShaderProgram program(logger.get());
    loadPair(program);
    // Every line read is put behind a newline.
    std::vector<char> source(200, '\0');
    glGetShaderSource(program.getVertexShader(), 200, nullptr, source.data());
    EXPECT_STREQ(source.data(), "\n#version 120\nvoid main() { gl_Position = gl_Vertex; }");
    const int color = program.getUniformLocation("color");
    ASSERT_GE(color, 0);

    glDisable(GL_DEPTH_TEST);
    program.use();
    program.setUniform4f(color, 0.2f, 0.4f, 0.8f, 1.0f);
    glRectf(-1, -1, 1, 1);
    program.unuse();
    const auto pixel = harness::readPixel(400, 300);
    EXPECT_NEAR(pixel[0], 51, 2);
    EXPECT_NEAR(pixel[1], 102, 2);
    EXPECT_NEAR(pixel[2], 204, 2);
    EXPECT_EQ(harness::glErrors(), "");
}

// Defines go right behind the #version line of both sources and switch the program's code.
TEST_F(ShaderProgramTest, DefinesFollowTheVersionLineAndSwitchTheCode) {
    harness::writeFileText(path("d.vert"), kVertex);
    harness::writeFileText(path("d.frag"),
                           "#version 120\n#ifndef RED\n#define RED 0.0\n#endif\n"
                           "void main() { gl_FragColor = vec4(RED, 0.5, 0.0, 1.0); }\n");
    glDisable(GL_DEPTH_TEST);
    for (const char* red : {"0.0", "1.0"}) {
        ShaderProgram program(logger.get());
        harness::captureStdout();
        program.load(path("d.vert"), path("d.frag"), std::string("#define RED ") + red + "\n");
        harness::capturedStdout();
        std::vector<char> source(200, '\0');
        glGetShaderSource(program.getVertexShader(), 200, nullptr, source.data());
        EXPECT_EQ(std::string(source.data()),
                  std::string("\n#version 120\n#define RED ") + red + "\nvoid main() { gl_Position = gl_Vertex; }");
        program.use();
        glRectf(-1, -1, 1, 1);
        program.unuse();
        const auto pixel = harness::readPixel(400, 300);
        EXPECT_NEAR(pixel[0], red[0] == '1' ? 255 : 0, 2) << red;
        EXPECT_NEAR(pixel[1], 128, 2) << red;
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(ShaderProgramTest, MissingPathsAreReportedInOrderInBothChannels) {
    ShaderProgram program(logger.get());
    harness::captureStdout();
    program.load("", "");
    program.load(path("p.vert"), "");
    EXPECT_EQ(harness::capturedStdout(),
              "No vertex shader file found!\nNo fragment shader file found!\nNo fragment shader file found!\n");
    EXPECT_EQ(program.getProgram(), 0u);  // nothing was created
    const std::string ruler(49, '=');
    EXPECT_EQ(logLines(), (std::vector<std::string>{ruler, "", "Shader debugging: ", ruler,
                                                    "No vertex shader file found!", "No fragment shader file found!",
                                                    "No fragment shader file found!"}));
}

TEST_F(ShaderProgramTest, SourcesAreReadWholeAndOnlyFromPlainFiles) {
    ShaderProgram program(logger.get());
    harness::writeFileText(path("lines.vert"), "a\n\nb\n\n");
    ASSERT_EQ(mkfifo(path("pipe.frag").c_str(), 0644), 0);  // nobody writes it
    harness::captureStdout();
    program.load(path("lines.vert"), path("pipe.frag"));
    program.load(path("lines.vert"), dir);
    const std::string printed = harness::capturedStdout();
    EXPECT_NE(printed.find("Could not open shader file: " + path("pipe.frag") + " \n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Could not open shader file: " + dir + " \n"), std::string::npos) << printed;
    // Read as lines, each behind a newline: an empty line stays, the last newline goes.
    std::vector<char> source(64, '\0');
    glGetShaderSource(program.getVertexShader(), 64, nullptr, source.data());
    EXPECT_STREQ(source.data(), "\na\n\nb\n");
}

TEST_F(ShaderProgramTest, ReloadAndReleaseLeaveNoObjectsBehind) {
    auto program = std::make_unique<ShaderProgram>(logger.get());
    loadPair(*program);
    const GLuint first[3] = {program->getVertexShader(), program->getFragmentShader(), program->getProgram()};
    loadPair(*program);
    EXPECT_FALSE(glIsShader(first[0]) || glIsShader(first[1]) || glIsProgram(first[2]));
    const GLuint second[3] = {program->getVertexShader(), program->getFragmentShader(), program->getProgram()};
    EXPECT_TRUE(glIsShader(second[0]) && glIsShader(second[1]) && glIsProgram(second[2]));
    program->release();
    EXPECT_FALSE(glIsShader(second[0]) || glIsShader(second[1]) || glIsProgram(second[2]));
    EXPECT_EQ(program->getProgram() | program->getVertexShader() | program->getFragmentShader(), 0u);
    loadPair(*program);
    const GLuint third = program->getProgram();
    program.reset();  // the destructor releases too
    EXPECT_FALSE(glIsProgram(third));
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(ShaderProgramTest, MissingUniformGivesMinusOneAndBothMessages) {
    ShaderProgram program(logger.get());
    loadPair(program);
    harness::captureStdout();
    EXPECT_EQ(program.getUniformLocation("unused"), -1);
    EXPECT_EQ(harness::capturedStdout(), "Could't compile shader code or load shader variable: unused \n");
    EXPECT_NE(harness::readFileText(path("log.txt")).find("\nCould't compile shader code or load variable: unused\n"),
              std::string::npos);
}

}  // namespace
