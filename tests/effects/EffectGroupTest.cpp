#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EffectsFixture.h"
#include "support/GlHarness.h"
#include "core/GameState.h"
#include "effects/Effect.h"
#include "effects/EffectGroups.h"
#include "effects/SSAO.h"
#include "effects/ShaderEffects.h"
#include "framework/ShaderProgram.h"
#include "objects/Spaceship.h"

using fxtest::currentProgram;
using fxtest::firstGroup;
using fxtest::groupNamed;

namespace {

const char* const kNames[11] = {"Blue/Green Shader", "Black&White", "SSAO only", "Phong Shader + SSAO",
                                "Normal Shader", "Funky Shader", "Toon Shader", "Standard Shader",
                                "Phong Shader", "Pure", "Sunny Shader"};
const char* const kTitles[11] = {"Sonnenaufgang", "Black&White", "Screen Space Ambient Occlusion", "Matsch",
                                 "Normale Normalen", "Funky!", "Schland", "Super Kugelwelt", "Ice Age",
                                 "Stripes", "Karibik"};

// An effect that records calls, to see the order a group uses.
class RecordingEffect : public Effect {
public:
    RecordingEffect(std::vector<std::string>* log, std::string tag) : log(log), tag(std::move(tag)) {}
    ~RecordingEffect() override { log->push_back("delete " + tag); }
    void activate() override { log->push_back("on " + tag); }
    void deactivate() override { log->push_back("off " + tag); }

private:
    std::vector<std::string>* log;
    std::string tag;
};

class TestGroup : public EffectGroup {
public:
    TestGroup() { name = "test"; }
    using EffectGroup::addSharedEffect;
};

class ChainGuard {
public:
    ChainGuard() : saved(EffectGroup::lastCreated) {}
    ~ChainGuard() { EffectGroup::lastCreated = saved; }

private:
    EffectGroup* saved;
};

}  // namespace

TEST(EffectGroupChain, ElevenGroupsInCatalogueOrderWithNamesAndTitles) {
    EffectGroup* g = firstGroup();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->getPrevious(), nullptr);
    EffectGroup* last = nullptr;
    int count = 0;
    for (; g; g = g->getNext(), ++count) {
        ASSERT_LT(count, 11);
        EXPECT_STREQ(g->getName(), kNames[count]);
        EXPECT_STREQ(g->getTitle(), kTitles[count]);
        EXPECT_EQ(g->getPrevious(), last);
        last = g;
    }
    EXPECT_EQ(count, 11);
    EXPECT_EQ(last->getNext(), nullptr);
    EXPECT_EQ(EffectGroup::lastCreated, last);
    // Walking back from the first stays there.
    EXPECT_EQ(firstGroup()->getPrevious(), nullptr);
}

TEST(EffectGroupChain, EffectsPerGroupAndSharedOnes) {
    Game& game = Game::instance();
    EXPECT_EQ(groupNamed("Blue/Green Shader")->getEffects().size(), 2u);
    EXPECT_NE(dynamic_cast<BlueShader*>(groupNamed("Blue/Green Shader")->getEffects()[0]), nullptr);
    EXPECT_NE(dynamic_cast<GreenShader*>(groupNamed("Blue/Green Shader")->getEffects()[1]), nullptr);
    EXPECT_TRUE(groupNamed("Pure")->getEffects().empty());
    ASSERT_EQ(groupNamed("SSAO only")->getEffects().size(), 1u);
    EXPECT_EQ(groupNamed("SSAO only")->getEffects()[0], game.getSSAO());
    EXPECT_EQ(groupNamed("Phong Shader + SSAO")->getEffects()[0], game.getSSAO());
    EXPECT_EQ(groupNamed("Normal Shader")->getEffects()[0], game.getNormalShader());
    // The group created last decides the shared flag: false.
    EXPECT_FALSE(game.getSSAO()->getOnlySSAO());
    // Group 1 and group 8 each have their own BlueShader.
    EXPECT_NE(groupNamed("Standard Shader")->getEffects()[0], groupNamed("Blue/Green Shader")->getEffects()[0]);
}

TEST(EffectGroupChain, ActivatesAndDeactivatesFirstToLastAndKeepsSharedEffects) {
    ChainGuard guard;
    std::vector<std::string> log;
    EffectGroup::lastCreated = nullptr;
    RecordingEffect shared(&log, "shared");
    {
        TestGroup a;
        TestGroup b;
        EXPECT_EQ(a.getNext(), &b);
        EXPECT_EQ(b.getPrevious(), &a);
        b.addEffect(new RecordingEffect(&log, "one"));
        b.addSharedEffect(&shared);
        b.addEffect(new RecordingEffect(&log, "two"));
        b.activate();
        b.deactivate();
        EXPECT_EQ(log, (std::vector<std::string>{"on one", "on shared", "on two", "off one", "off shared", "off two"}));
        log.clear();
    }
    // Owned effects deleted once each, the shared one left alone; the chain has no dangling end.
    EXPECT_EQ(log, (std::vector<std::string>{"delete one", "delete two"}));
    EXPECT_EQ(EffectGroup::lastCreated, nullptr);
}

TEST(EffectActivation, LastProgramBearingEffectStaysCurrentAndDeactivateLeavesNone) {
    Game& game = Game::instance();
    game.state = Playing;
    EffectGroup* bg = groupNamed("Blue/Green Shader");
    const GLuint sample2 = bg->getEffects()[1]->getPrograms()[0]->getProgram();
    const GLuint sample1 = bg->getEffects()[0]->getPrograms()[0]->getProgram();
    ASSERT_NE(sample2, 0u);
    ASSERT_NE(sample1, sample2);
    glUseProgram(0);
    bg->activate();
    EXPECT_EQ(currentProgram(), static_cast<int>(sample2));
    bg->deactivate();
    EXPECT_EQ(currentProgram(), 0);

    for (const char* name : {"Black&White", "Funky Shader", "Toon Shader", "Standard Shader", "Phong Shader",
                             "Sunny Shader"}) {
        EffectGroup* g = groupNamed(name);
        g->activate();
        EXPECT_EQ(currentProgram(), static_cast<int>(g->getEffects()[0]->getPrograms()[0]->getProgram())) << name;
        g->deactivate();
        EXPECT_EQ(currentProgram(), 0) << name;
    }

    // "Pure" has no effects: whatever was current stays, nothing is set.
    glUseProgram(sample1);
    groupNamed("Pure")->activate();
    EXPECT_EQ(currentProgram(), static_cast<int>(sample1));
    groupNamed("Pure")->deactivate();
    EXPECT_EQ(currentProgram(), static_cast<int>(sample1));
    glUseProgram(0);
    groupNamed("Pure")->activate();
    EXPECT_EQ(currentProgram(), 0);
    EXPECT_EQ(harness::glErrors(), "");
    game.state = Title;
}

TEST(EffectActivation, TwoBlueShadersKeepSeparateUseTextureValues) {
    Game& game = Game::instance();
    auto* first = dynamic_cast<BlueShader*>(groupNamed("Blue/Green Shader")->getEffects()[0]);
    auto* standard = dynamic_cast<BlueShader*>(groupNamed("Standard Shader")->getEffects()[0]);
    ASSERT_TRUE(first && standard);
    ASSERT_NE(first->getUseTextureLocation(), -1);
    ASSERT_NE(standard->getUseTextureLocation(), -1);
    GLint value = -5;
    for (int state : {Playing, Title}) {
        game.state = state;
        game.backdropPass = false;
        first->activate();
        first->deactivate();
        game.backdropPass = true;
        standard->activate();
        standard->deactivate();
        glGetUniformiv(standard->getProgram()->getProgram(), standard->getUseTextureLocation(), &value);
        EXPECT_EQ(value, 1);
        glGetUniformiv(first->getProgram()->getProgram(), first->getUseTextureLocation(), &value);
        EXPECT_EQ(value, 0);
        game.backdropPass = false;
        standard->activate();
        standard->deactivate();
        glGetUniformiv(standard->getProgram()->getProgram(), standard->getUseTextureLocation(), &value);
        EXPECT_EQ(value, 0);
    }
    game.state = Title;
}

TEST(EffectActivation, SunnyAndFunkyPassTheGameFlags) {
    Game& game = Game::instance();
    auto* sunny = dynamic_cast<SunnyShader*>(groupNamed("Sunny Shader")->getEffects()[0]);
    auto* funky = dynamic_cast<FunkyShader*>(groupNamed("Funky Shader")->getEffects()[0]);
    ASSERT_TRUE(sunny && funky);
    const GLuint sunnyProgram = sunny->getPrograms()[0]->getProgram();
    const GLuint funkyProgram = funky->getProgram()->getProgram();
    GLint value = -5;
    for (bool flag : {true, false}) {
        game.state = Title;  // "useOnlyTexture" is set in every state
        game.backdropPass = flag;
        sunny->activate();
        glGetUniformiv(sunnyProgram, sunny->getUseOnlyTextureLocation(), &value);
        EXPECT_EQ(value, flag ? 1 : 0);
        sunny->deactivate();

        game.state = Playing;
        game.funkyPassFlag = flag;
        funky->activate();
        glGetUniformiv(funkyProgram, funky->getUsePositionLookupLocation(), &value);
        EXPECT_EQ(value, flag ? 1 : 0);
        glGetUniformiv(funkyProgram, funky->getTexLocation(), &value);
        EXPECT_EQ(value, 0);
        GLint bound = 0;
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
        EXPECT_EQ(bound, static_cast<GLint>(funky->getNoiseTexture()));
        funky->deactivate();
        glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
        EXPECT_EQ(bound, 0);
    }
    game.state = Title;
    game.backdropPass = false;
    game.funkyPassFlag = false;
}

TEST(EffectActivation, OutsidePlayingNoNoiseTextureAndLightStays) {
    Game& game = Game::instance();
    Spaceship* savedShip = game.ship;
    Spaceship ship;
    ship.setPosition(1.5f, 2.0f, -3.0f);
    game.ship = &ship;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat start[4] = {0.25f, 0.5f, 0.75f, 0.0f};
    for (const char* name : {"Funky Shader", "Toon Shader", "Phong Shader", "Sunny Shader"}) {
        for (int state : {Title, Highscore, Credits, EnterName}) {
            game.state = state;
            glLightfv(GL_LIGHT0, GL_POSITION, start);
            glActiveTextureARB(GL_TEXTURE0_ARB);
            glBindTexture(GL_TEXTURE_3D, 0);
            groupNamed(name)->activate();
            GLint bound = -1;
            glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
            EXPECT_EQ(bound, 0) << name << " state " << state;
            GLfloat position[4];
            glGetLightfv(GL_LIGHT0, GL_POSITION, position);
            for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(position[i], start[i]) << name << " state " << state;
            groupNamed(name)->deactivate();
        }
    }
    // While playing, the lit styles put light 0 one unit above the ship (identity model-view).
    game.state = Playing;
    for (const char* name : {"Toon Shader", "Phong Shader", "Sunny Shader"}) {
        glLightfv(GL_LIGHT0, GL_POSITION, start);
        groupNamed(name)->activate();
        GLfloat position[4];
        glGetLightfv(GL_LIGHT0, GL_POSITION, position);
        EXPECT_FLOAT_EQ(position[0], 1.5f) << name;
        EXPECT_FLOAT_EQ(position[1], 3.0f) << name;
        EXPECT_FLOAT_EQ(position[2], -3.0f) << name;
        EXPECT_FLOAT_EQ(position[3], 1.0f) << name;
        groupNamed(name)->deactivate();
    }
    // The funky style leaves its noise unbound again at deactivation.
    groupNamed("Funky Shader")->activate();
    groupNamed("Funky Shader")->deactivate();
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_3D, &bound);
    EXPECT_EQ(bound, 0);
    game.ship = savedShip;
    game.state = Title;
}

TEST(EffectLifetime, EffectWithTwoProgramsReleasesBoth) {
    auto* effect = new Effect();
    ShaderProgram* a = effect->addProgram("sample1");
    ShaderProgram* b = effect->addProgram("toon");
    ASSERT_EQ(effect->getPrograms().size(), 2u);
    EXPECT_EQ(effect->getPrograms()[0], a);
    EXPECT_EQ(effect->getPrograms()[1], b);
    const GLuint pa = a->getProgram(), pb = b->getProgram();
    const GLuint va = a->getVertexShader(), fb = b->getFragmentShader();
    ASSERT_TRUE(glIsProgram(pa) && glIsProgram(pb));
    // Base activation makes both current in turn, leaving the second one.
    effect->activate();
    EXPECT_EQ(currentProgram(), static_cast<int>(pb));
    effect->deactivate();
    EXPECT_EQ(currentProgram(), 0);
    delete effect;
    EXPECT_FALSE(glIsProgram(pa));
    EXPECT_FALSE(glIsProgram(pb));
    EXPECT_FALSE(glIsShader(va));
    EXPECT_FALSE(glIsShader(fb));
}

TEST(EffectLifetime, AddProgramBuildsPathsFromTheName) {
    Effect effect;
    harness::captureStdout();
    effect.addProgram("no_such_style");
    const std::string out = harness::capturedStdout();
    EXPECT_NE(out.find("Load Shader/no_such_style.vert"), std::string::npos) << out;
    EXPECT_NE(out.find("Load Shader/no_such_style.frag"), std::string::npos) << out;
    // Far too long a name is cut to the buffer instead of overrunning it.
    const std::string longName(150, 'x');
    harness::captureStdout();
    effect.addProgram(longName.c_str());
    const std::string cut = harness::capturedStdout();
    EXPECT_NE(cut.find("Load Shader/" + std::string(92, 'x') + " "), std::string::npos);
    EXPECT_EQ(cut.find(std::string(93, 'x')), std::string::npos);
    EXPECT_EQ(effect.getPrograms().size(), 2u);
}
