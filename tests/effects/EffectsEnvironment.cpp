#include <GL/glew.h>

#include "EffectsFixture.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "effects/EffectGroups.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "framework/Logger.h"
#include "support/GlHarness.h"

namespace fxtest {
namespace {
EffectGroup* first = nullptr;

class EffectsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Run in a scratch game folder: the real shaders, plus a tiny ship model of our own so
        // the tests that place light 0 above a ship do not depend on the generated content.
        home = std::filesystem::current_path();
        folder = harness::makeTempDir("lumivex-effects");
        std::filesystem::create_symlink(std::filesystem::absolute("Shader"), folder + "/Shader");
        std::filesystem::create_directory(folder + "/Modells");
        harness::writeFileText(folder + "/Modells/ship3.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
        if (chdir(folder.c_str()) != 0) std::perror("chdir");
        Game& game = Game::instance();
        if (!game.getConfig().logger) game.getConfig().logger = new Logger();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 800.0 / 600.0, 0.1, 30.0);
        glMatrixMode(GL_MODELVIEW);
        game.ssao = new SSAO();
        game.ssao->setup(800, 600);
        game.ssao->setClipPlanes(0.1f, 30.0f);
        game.ssao->captureProjection();
        game.normalShader = new NormalShader();
        game.normalShader->setup(800, 600);
        EffectGroup::lastCreated = nullptr;
        first = createEffectGroups();
        game.getConfig().firstEffectGroup = first;
    }
    void TearDown() override {
        if (chdir(home.c_str()) != 0) std::perror("chdir");
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);  // the Shader link goes, not its target
    }

private:
    std::filesystem::path home;
    std::string folder;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new EffectsEnvironment);
}  // namespace

EffectGroup* firstGroup() { return first; }

EffectGroup* groupNamed(const std::string& name) {
    for (EffectGroup* g = first; g; g = g->getNext())
        if (name == g->getName()) return g;
    return nullptr;
}

::testing::AssertionResult programBuilt(GLuint program) {
    if (program == 0 || !glIsProgram(program)) return ::testing::AssertionFailure() << "no program object";
    GLuint shaders[4] = {0, 0, 0, 0};
    GLsizei count = 0;
    glGetAttachedShaders(program, 4, &count, shaders);
    if (count != 2) return ::testing::AssertionFailure() << count << " shaders attached";
    for (GLsizei i = 0; i < count; ++i) {
        GLint ok = 0;
        glGetShaderiv(shaders[i], GL_COMPILE_STATUS, &ok);
        if (!ok) {
            std::vector<char> log(4096, 0);
            glGetShaderInfoLog(shaders[i], 4095, nullptr, log.data());
            return ::testing::AssertionFailure() << "compile failed: " << log.data();
        }
    }
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        std::vector<char> log(4096, 0);
        glGetProgramInfoLog(program, 4095, nullptr, log.data());
        return ::testing::AssertionFailure() << "link failed: " << log.data();
    }
    return ::testing::AssertionSuccess();
}

int currentProgram() {
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

}  // namespace fxtest
