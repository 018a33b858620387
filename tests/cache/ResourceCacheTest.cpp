#include <GL/glew.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "model/glm.h"
#include "objects/ResourceCache.h"
#include "platform/audio/Audio.h"
#include "support/GlHarness.h"

namespace {

// A game folder in /tmp as the working directory for one test.
class Cache : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cwd.ok());
        for (const char* sub : {"Modells", "Textures"}) mkdir(sub, 0755);
    }
    ~Cache() override { harness::removeTree(dir); }
    const std::string dir = harness::makeTempDir("lumivex-cache");
    harness::ScopedCwd cwd{dir};
    ResourceCache cache;
};

TEST_F(Cache, ModelIsReadOnceWithOneDisplayListAndNamesAreCaseSensitive) {
    const char* quad = "v -0.25 -0.5 0\nv 0.25 -0.5 0\nv 0.25 0.5 0\nv -0.25 0.5 0\nf 1 2 3\nf 1 3 4\n";
    harness::writeFileText("Modells/quad.obj", quad);
    harness::writeFileText("Modells/Quad.obj", quad);
    GLMmodel* model = cache.getModel("Modells/quad.obj");
    EXPECT_EQ(model->numtriangles, 2u);
    ASSERT_EQ(std::remove("Modells/quad.obj"), 0);  // a second read would now end the program
    EXPECT_EQ(cache.getModel("Modells/quad.obj"), model);
    const unsigned int list = cache.getDisplayList(model);
    EXPECT_TRUE(glIsList(list));
    EXPECT_EQ(cache.getDisplayList(model), list);
    GLMmodel* upper = cache.getModel("Modells/Quad.obj");
    EXPECT_STREQ(upper->pathname, "Modells/Quad.obj");
    EXPECT_NE(cache.getDisplayList(upper), list);
    EXPECT_EQ(harness::glErrors(), "");
}

// A texture first requested as 2D stays 2D; a missing one is null every time, even once the
// file appears: the disk is not asked again.
TEST_F(Cache, TexturesAreLoadedOnceByNameAndAFailureStands) {
    std::string ppm = "P6\n4 2\n255\n";
    for (int i = 0; i < 8; ++i) ppm += "\xC8\x20\x40";
    harness::writeFileText("Textures/tile.ppm", ppm);
    Texture* first = cache.getTexture("tile.ppm", GL_TEXTURE_2D);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.getTexture("tile.ppm", GL_TEXTURE_3D), first);
    EXPECT_EQ(cache.getTexture("absent.png", GL_TEXTURE_2D), nullptr);
    harness::writeFileText("Textures/absent.png", ppm);
    for (GLenum target : {GL_TEXTURE_2D, GL_TEXTURE_3D}) EXPECT_EQ(cache.getTexture("absent.png", target), nullptr);
    EXPECT_EQ(cache.textureLoadCount(), 2);
    EXPECT_EQ(harness::glErrors(), "");
}

// The caller hears of a missing sound once (it reports it); the failure is kept, not retried.
TEST_F(Cache, SoundsAreLoadedOnceByNameAndAMissingOneIsReportedOnce) {
    setenv("ALSOFT_DRIVERS", "null", 0);  // no sound card needed
    audio::System* system = nullptr;
    ASSERT_TRUE(audio::System::create(&system) == audio::OK && system->init(32, 0, nullptr) == audio::OK);
    const std::string fire = std::string(LUMIVEX_GAME_DIR) + "/Sounds/fire.wav";
    int result = audio::OK;
    EXPECT_EQ(cache.getSound("Sounds/no-such-sound.wav", system, &result), nullptr);
    EXPECT_EQ(result, audio::ERR_FILE_NOTFOUND);
    EXPECT_EQ(cache.getSound("Sounds/no-such-sound.wav", system, &result), nullptr);
    EXPECT_EQ(result, audio::OK);
    audio::Sound* sound = cache.getSound(fire, system, &result);
    EXPECT_NE(sound, nullptr);
    EXPECT_EQ(cache.getSound(fire, nullptr), sound);
    EXPECT_EQ(cache.getSound(std::string(LUMIVEX_GAME_DIR) + "/Sounds/jump.wav", nullptr), nullptr) << "nothing to load into";
}

}  // namespace
