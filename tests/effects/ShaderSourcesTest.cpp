#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectsFixture.h"
#include "effects/EffectGroups.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/ShaderProgram.h"
#include "support/GlHarness.h"

using fxtest::groupNamed;
using fxtest::programBuilt;

namespace {
struct ProgramUniforms {
    const char* name;
    std::vector<const char*> uniforms;
};

// Every style program with the uniforms the game looks up in it.
const std::vector<ProgramUniforms> kPrograms = {
    {"sample1", {"useTexture"}},
    {"sample2", {}},
    {"silhouette", {"strength"}},
    {"funky3d", {"tex", "usePositionLookup"}},
    {"blur", {"normalMap"}},
    {"real", {}},
    {"toon", {}},
    {"sunny", {"useOnlyTexture"}},
    {"mrt", {"near", "far"}},
    {"ssao", {"randomMap", "posMap", "normalMap", "pSphere", "projectionMatrix"}},
    {"ssao_combine", {"colorMap", "posMap", "normalMap", "SSAOMap", "mapResX", "mapResY", "onlySSAO", "xDirection"}},
};
}  // namespace

TEST(ShaderSources, EveryProgramCompilesLinksAndKeepsItsUniforms) {
    for (const ProgramUniforms& p : kPrograms) {
        Effect effect;
        harness::captureStdout();
        ShaderProgram* program = effect.addProgram(p.name);
        std::vector<int> locations;
        for (const char* u : p.uniforms) locations.push_back(program->getUniformLocation(u));
        const std::string out = harness::capturedStdout();
        EXPECT_TRUE(programBuilt(program->getProgram())) << p.name;
        EXPECT_EQ(out.find("Could not open"), std::string::npos) << p.name << ": " << out;
        EXPECT_EQ(out.find("Could't compile"), std::string::npos) << p.name << ": " << out;
        for (size_t i = 0; i < locations.size(); ++i) EXPECT_NE(locations[i], -1) << p.name << " " << p.uniforms[i];
        // The program validates for drawing (samplers of different types on one unit would not).
        program->use();
        glValidateProgram(program->getProgram());
        GLint valid = 0;
        glGetProgramiv(program->getProgram(), GL_VALIDATE_STATUS, &valid);
        EXPECT_TRUE(valid) << p.name;
        program->unuse();
    }
    EXPECT_EQ(harness::glErrors(), "");
}

TEST(ShaderSources, EffectsHoldTheirLocationsAndFixedValues) {
    Game& game = Game::instance();
    auto* funky = dynamic_cast<FunkyShader*>(groupNamed("Funky Shader")->getEffects()[0]);
    ASSERT_NE(funky, nullptr);
    EXPECT_NE(funky->getTexLocation(), -1);
    EXPECT_NE(funky->getUsePositionLookupLocation(), -1);
    auto* sunny = dynamic_cast<SunnyShader*>(groupNamed("Sunny Shader")->getEffects()[0]);
    EXPECT_NE(sunny->getUseOnlyTextureLocation(), -1);
    NormalShader* normal = game.getNormalShader();
    EXPECT_NE(normal->getNormalMapLocation(), -1);
    GLint unit = -1;
    glGetUniformiv(normal->getProgram()->getProgram(), normal->getNormalMapLocation(), &unit);
    EXPECT_EQ(unit, 0);

    // "strength" is fixed at 0.3 by the constructor.
    auto* bw = dynamic_cast<BlackWhiteShader*>(groupNamed("Black&White")->getEffects()[0]);
    ASSERT_NE(bw, nullptr);
    const GLuint bwProgram = bw->getProgram()->getProgram();
    GLfloat strength = 0;
    glGetUniformfv(bwProgram, glGetUniformLocation(bwProgram, "strength"), &strength);
    EXPECT_FLOAT_EQ(strength, 0.3f);

    // The clip planes reach the geometry program.
    const GLuint mrt = game.getSSAO()->getGeometryProgram()->getProgram();
    GLfloat nearValue = 0, farValue = 0;
    glGetUniformfv(mrt, glGetUniformLocation(mrt, "near"), &nearValue);
    glGetUniformfv(mrt, glGetUniformLocation(mrt, "far"), &farValue);
    EXPECT_FLOAT_EQ(nearValue, 0.1f);
    EXPECT_FLOAT_EQ(farValue, 30.0f);
    for (GLuint program : {game.getSSAO()->getOcclusionProgram()->getProgram(),
                           game.getSSAO()->getCombineProgram()->getProgram(), mrt})
        EXPECT_TRUE(programBuilt(program));
}

TEST(ShaderSources, FunkyNoiseVolumeIsFourByFourBySixteenWithUnitRangeComponents) {
    auto* funky = dynamic_cast<FunkyShader*>(groupNamed("Funky Shader")->getEffects()[0]);
    ASSERT_NE(funky, nullptr);
    glBindTexture(GL_TEXTURE_3D, funky->getNoiseTexture());
    GLint w = 0, h = 0, d = 0, format = 0, minFilter = 0, wrapR = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_DEPTH, &d);
    glGetTexLevelParameteriv(GL_TEXTURE_3D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_3D, GL_TEXTURE_WRAP_R, &wrapR);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(d, 16);
    EXPECT_EQ(format, GL_RGB16F_ARB);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_EQ(wrapR, GL_REPEAT);
    std::vector<float> texels(4 * 4 * 16 * 3, -1.0f);
    glGetTexImage(GL_TEXTURE_3D, 0, GL_RGB, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_3D, 0);
    float lo = 2.0f, hi = -1.0f;
    for (float v : texels) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    EXPECT_GE(lo, 0.0f);
    EXPECT_LE(hi, 1.0f);
    // Real noise spreads over the range.
    EXPECT_LT(lo, 0.1f);
    EXPECT_GT(hi, 0.9f);
}
