#include <GL/glew.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/Game.h"
#include "model/glm.h"
#include "objects/ResourceCache.h"
#include "platform/audio/Audio.h"
#include "support/GlHarness.h"

namespace {

const char* kQuadObj = "v -0.25 -0.5 0\nv 0.25 -0.5 0\nv 0.25 0.5 0\nv -0.25 0.5 0\nf 1 2 3\nf 1 3 4\n";

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
        for (const char* sub : {"/Modells", "/Textures", "/Sounds"}) mkdir((dir + sub).c_str(), 0755);
        cwd.reset(new harness::ScopedCwd(dir));
        ASSERT_TRUE(cwd->ok());
    }
    void TearDown() override {
        cwd.reset();
        harness::removeTree(dir);
    }
    std::string dir;
    std::unique_ptr<harness::ScopedCwd> cwd;
    ResourceCache cache;
};

TEST_F(Cache, ModelIsReadOnceWithOneDisplayListAndNamesAreCaseSensitive) {
    harness::writeFileText("Modells/quad.obj", kQuadObj);
    harness::writeFileText("Modells/Quad.obj", kQuadObj);
    GLMmodel* model = cache.getModel("Modells/quad.obj");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->numtriangles, 2u);
    // The file is gone: a second read would end the program.
    ASSERT_EQ(std::remove("Modells/quad.obj"), 0);
    EXPECT_EQ(cache.getModel("Modells/quad.obj"), model);
    const unsigned int list = cache.getDisplayList(model);
    EXPECT_TRUE(glIsList(list));
    EXPECT_EQ(cache.getDisplayList(model), list);

    GLMmodel* upper = cache.getModel("Modells/Quad.obj");
    EXPECT_NE(upper, model);
    EXPECT_STREQ(upper->pathname, "Modells/Quad.obj");
    EXPECT_NE(cache.getDisplayList(upper), list);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(Cache, TextureFirstRequestedAs2DStays2D) {
    harness::writeFileText("Textures/tile.ppm", ppm());
    Texture* first = cache.getTexture("tile.ppm", GL_TEXTURE_2D);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.getTexture("tile.ppm", GL_TEXTURE_3D), first);
    EXPECT_EQ(cache.textureLoadCount(), 1);
    glBindTexture(GL_TEXTURE_2D, first->getID());
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(harness::glErrors(), "");
}

TEST_F(Cache, MissingTextureIsNullEveryTimeAndTheDiskIsNotAskedAgain) {
    EXPECT_EQ(cache.getTexture("absent.png", GL_TEXTURE_2D), nullptr);
    EXPECT_EQ(cache.textureLoadCount(), 1);
    // Even once the file appears, the failure stands.
    harness::writeFileText("Textures/absent.png", ppm());
    for (GLenum target : {GL_TEXTURE_2D, GL_TEXTURE_2D, GL_TEXTURE_3D})
        EXPECT_EQ(cache.getTexture("absent.png", target), nullptr);
    EXPECT_EQ(cache.textureLoadCount(), 1);
}

TEST(CacheDeathTest, MissingSoundIsReportedAndLoadsAsNothing) {
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            setenv("ALSOFT_DRIVERS", "null", 0);  // no sound card needed
            Game& game = Game::instance();
            if (audio::System::create(&game.soundSystem) != audio::OK || game.soundSystem->init(32, 0, nullptr) != audio::OK)
                std::_Exit(3);
            audio::Sound* sound = game.getResourceCache().getSound("Sounds/no-such-sound.wav");
            game.playObjectSound(sound);  // silently nothing
            std::fflush(stdout);
            std::_Exit(sound ? 4 : 0);
        },
        ::testing::ExitedWithCode(0), "^FMOD error! \\(5\\) File not found\\.\n$");
}

}  // namespace
