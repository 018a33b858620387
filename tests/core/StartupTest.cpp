#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "CoreTestSupport.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "framework/Texture.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"

using coretest::CoreTest;

TEST_F(CoreTest, StartupWritesItsProgressInOrder) {
    const std::string& out = coretest::startupOutput();
    const size_t start = out.find("Effect Groups setup START\n");
    const size_t finished = out.find("Effect Groups setup FINISHED\n");
    const size_t textures = out.find("Textures Loaded\n");
    ASSERT_NE(start, std::string::npos) << out;
    ASSERT_NE(finished, std::string::npos);
    ASSERT_NE(textures, std::string::npos);
    EXPECT_LT(start, finished);
    EXPECT_LT(finished, textures);
    // The groups' programs announce themselves between the two group lines.
    const std::string groups = out.substr(start, finished - start);
    EXPECT_NE(groups.find("Shader debugging"), std::string::npos);
    EXPECT_NE(groups.find("Load Shader/toon.vert"), std::string::npos);
    // The height-query programs and the SSAO programs come before the groups.
    const std::string before = out.substr(0, start);
    EXPECT_NE(before.find("Load Shader/renderPosition.vert"), std::string::npos);
    EXPECT_NE(before.find("Load Shader/fetchPlayerOnTerrain.frag"), std::string::npos);
    EXPECT_EQ(out.find("Effect Groups setup START", start + 1), std::string::npos) << "only once";
    // The sound start-up ran first and found the playlist.
    EXPECT_LT(out.find("PLAYLIST loaded.\n"), start);
}

TEST_F(CoreTest, StartupBuildsEverythingTheGameNeeds) {
    const coretest::StartupSnapshot& s = coretest::startupSnapshot();
    EXPECT_EQ(s.worldObjects, 0u) << "the preloaded objects never enter the world";
    EXPECT_TRUE(s.highscoreTextureNull);
    EXPECT_TRUE(s.cullFace);
    EXPECT_TRUE(s.depthTest);
    EXPECT_TRUE(s.pointSmooth);
    EXPECT_EQ(s.cullFaceMode, GL_BACK);
    EXPECT_FLOAT_EQ(s.musicVolume, 0.4f);

    EXPECT_EQ(coretest::groupCount(), 11);
    EXPECT_STREQ(game().getConfig().firstEffectGroup->getName(), "Blue/Green Shader");
    EXPECT_NE(game().getConfig().logger, nullptr);
    EXPECT_NE(game().getConfig().textureLoader, nullptr);
    ASSERT_NE(game().getSSAO(), nullptr);
    EXPECT_EQ(game().getSSAO()->getWidth(), 800);
    EXPECT_EQ(game().getSSAO()->getHeight(), 600);
    EXPECT_NE(game().getNormalShader(), nullptr);
    EXPECT_NE(game().positionFBO, nullptr);
    EXPECT_NE(game().positionTexture, nullptr);
    EXPECT_NE(game().heightTexture, nullptr);
    EXPECT_NE(game().fetchHeightProgram, nullptr);
    EXPECT_NE(game().playerPositionLocation, -1);
    EXPECT_NE(game().titleTexture, nullptr);
    EXPECT_NE(game().creditsTexture, nullptr);
    EXPECT_NE(game().enterNameTexture, nullptr);
    for (int i = 0; i < 11; ++i) EXPECT_NE(game().labelTextures[i], nullptr) << i;
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0) << "no program left current";

    // The object resources were preloaded: new objects load nothing more.
    const int loads = game().getResourceCache().textureLoadCount();
    delete new Asteroid(1.0f);
    delete new PowerUp();
    delete new Bullet();
    delete new BulletPowerUp();
    EXPECT_EQ(game().getResourceCache().textureLoadCount(), loads);
}
