#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/Game.h"
#include "model/glm.h"
#include "objects/ResourceCache.h"
#include "platform/audio/Audio.h"
#include "sound/ToneFiles.h"
#include "support/GlHarness.h"

namespace {

// A flat quad half as wide as it is tall: unitized it spans x -0.5..0.5, y -1..1.
const char* kQuadObj =
    "v -0.25 -0.5 0\nv 0.25 -0.5 0\nv 0.25 0.5 0\nv -0.25 0.5 0\n"
    "f 1 2 3\nf 1 3 4\n";

// A 4 x 2 binary PPM picture.
std::string ppm() {
    std::string data = "P6\n4 2\n255\n";
    for (int i = 0; i < 8; ++i) data += std::string("\xC8\x20\x40", 3);
    return data;
}

// A game folder in /tmp made the working directory for one test.
class Cache : public ::testing::Test {
protected:
    void SetUp() override {
        dir = harness::makeTempDir("lumivex-cache");
        tones::makeDir(dir + "/Modells");
        tones::makeDir(dir + "/Textures");
        tones::makeDir(dir + "/Sounds");
        cwd.reset(new harness::ScopedCwd(dir));
        ASSERT_TRUE(cwd->ok());
    }
    void TearDown() override {
        cwd.reset();
        harness::removeTree(dir);
    }
    std::string dir;
    std::unique_ptr<harness::ScopedCwd> cwd;
};

TEST_F(Cache, ModelIsReadOnceAndItsDisplayListCompiledOnce) {
    harness::writeFileText("Modells/quad.obj", kQuadObj);
    ResourceCache cache;
    GLMmodel* model = cache.getModel("Modells/quad.obj");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->numtriangles, 2u);
    // Unitized, with facet and vertex normals.
    EXPECT_NEAR(model->vertices[3 * 1 + 1], -1.0f, 1e-5f);
    EXPECT_NEAR(model->vertices[3 * 3 + 1], 1.0f, 1e-5f);
    EXPECT_NEAR(model->vertices[3 * 1 + 0], -0.5f, 1e-5f);
    EXPECT_EQ(model->numfacetnorms, 2u);
    ASSERT_GE(model->numnormals, 1u);
    EXPECT_NEAR(model->normals[3 * 1 + 2], 1.0f, 1e-5f);

    // The file is gone: a second read would end the program.
    ASSERT_EQ(std::remove("Modells/quad.obj"), 0);
    EXPECT_EQ(cache.getModel("Modells/quad.obj"), model);

    const unsigned int list = cache.getDisplayList(model);
    EXPECT_NE(list, 0u);
    EXPECT_TRUE(glIsList(list));
    EXPECT_EQ(cache.getDisplayList(model), list);

    // The list draws the model: a red band in the middle, the sides left clear.
    glViewport(0, 0, harness::kWidth, harness::kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);
    glUseProgram(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1, 0, 0);
    glCallList(list);
    glFinish();
    glReadBuffer(GL_BACK);
    const auto centre = harness::readPixel(400, 300);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
    const auto side = harness::readPixel(50, 300);
    EXPECT_EQ(side[0], 0);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(Cache, NamesAreKeysByteForByte) {
    harness::writeFileText("Modells/quad.obj", kQuadObj);
    harness::writeFileText("Modells/Quad.obj", kQuadObj);
    ResourceCache cache;
    GLMmodel* lower = cache.getModel("Modells/quad.obj");
    GLMmodel* upper = cache.getModel("Modells/Quad.obj");
    GLMmodel* dotted = cache.getModel("./Modells/quad.obj");
    EXPECT_NE(lower, upper);
    EXPECT_NE(lower, dotted);
    EXPECT_NE(upper, dotted);
    EXPECT_STREQ(upper->pathname, "Modells/Quad.obj");
    EXPECT_NE(cache.getDisplayList(lower), cache.getDisplayList(upper));
    EXPECT_EQ(cache.getModel("Modells/Quad.obj"), upper);
}

TEST_F(Cache, TextureFirstRequestedAs2DStays2D) {
    harness::writeFileText("Textures/tile.ppm", ppm());
    ResourceCache cache;
    EXPECT_EQ(cache.textureLoadCount(), 0);
    Texture* first = cache.getTexture("tile.ppm", GL_TEXTURE_2D);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.textureLoadCount(), 1);
    Texture* again = cache.getTexture("tile.ppm", GL_TEXTURE_3D);
    EXPECT_EQ(again, first);
    EXPECT_EQ(cache.textureLoadCount(), 1);
    // It is a 4 x 2 2D texture.
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, first->getID());
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(harness::glErrors(), "");
    // Another name is another load.
    harness::writeFileText("Textures/Tile.ppm", ppm());
    Texture* other = cache.getTexture("Tile.ppm", GL_TEXTURE_2D);
    EXPECT_NE(other, nullptr);
    EXPECT_NE(other, first);
    EXPECT_EQ(cache.textureLoadCount(), 2);
}

TEST_F(Cache, MissingTextureIsNullEveryTimeAndNotLoadedAgain) {
    ResourceCache cache;
    EXPECT_EQ(cache.getTexture("absent.png", GL_TEXTURE_2D), nullptr);
    EXPECT_EQ(cache.textureLoadCount(), 1);
    // Even once the file appears, the failure stands: the disk is not asked again.
    harness::writeFileText("Textures/absent.png", ppm());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cache.getTexture("absent.png", GL_TEXTURE_2D), nullptr);
    EXPECT_EQ(cache.getTexture("absent.png", GL_TEXTURE_3D), nullptr);
    EXPECT_EQ(cache.textureLoadCount(), 1);
    // Binding the null texture is harmless.
    bindTexture(cache.getTexture("absent.png", GL_TEXTURE_2D), GL_TEXTURE_2D, 0);
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_EQ(cache.textureLoadCount(), 1);
}

TEST_F(Cache, SoundsAreCreatedOnceOnTheGameSoundSystem) {
    Game& game = Game::instance();
    ASSERT_TRUE(tones::writeTone("Sounds/collision.wav", 0.1));
    ResourceCache cache;
    // Before the sound start-up there is no system: nothing is kept, so a later request loads.
    ASSERT_EQ(game.soundSystem, nullptr);
    EXPECT_EQ(cache.getSound("Sounds/collision.wav"), nullptr);

    ASSERT_EQ(audio::System::create(&game.soundSystem), audio::OK);
    ASSERT_EQ(game.soundSystem->init(32, 0, nullptr), audio::OK);
    audio::Sound* sound = cache.getSound("Sounds/collision.wav");
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->getMode(), 0x20u);
    ASSERT_EQ(std::remove("Sounds/collision.wav"), 0);
    EXPECT_EQ(cache.getSound("Sounds/collision.wav"), sound);
    unsigned int ms = 0;
    sound->getLength(&ms);
    EXPECT_EQ(ms, 100u);
    game.soundSystem->release();
    game.soundSystem = nullptr;
}

TEST(CacheDeathTest, MissingSoundEndsTheProgramWithTheSoundError) {
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            Game& game = Game::instance();
            if (audio::System::create(&game.soundSystem) != audio::OK || game.soundSystem->init(32, 0, nullptr) != audio::OK)
                std::_Exit(3);
            game.getResourceCache().getSound("Sounds/no-such-sound.wav");
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "^FMOD error! \\(5\\) File not found\\.\n$");
}

}  // namespace
