#include "ObjectTestSupport.h"

#include <GL/glu.h>

#include <cmath>
#include <memory>

#include "framework/Texture.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "support/GlHarness.h"

using objtest::Probe;

namespace {

// Pixels of the window that differ from black.
int litPixels(int x = 0, int y = 0, int w = harness::kWidth, int h = harness::kHeight) {
    const std::vector<unsigned char> px = harness::readPixels(x, y, w, h);
    int n = 0;
    for (size_t i = 0; i < px.size(); i += 4) n += (px[i] | px[i + 1] | px[i + 2]) != 0;
    return n;
}

// A unit quad facing +z, for the probe objects.
GLuint quadList() {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glEnd();
    glEndList();
    return list;
}

Texture* solidTexture(unsigned char r, unsigned char g, unsigned char b) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const unsigned char texels[16] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return new Texture(name);
}

}  // namespace

class WorldDrawTest : public objtest::GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        glViewport(0, 0, harness::kWidth, harness::kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 800.0 / 600.0, 0.1, 30.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        game().getChaseCamera().apply();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        harness::glErrors();
        list = quadList();
    }
    void TearDown() override {
        glDeleteLists(list, 1);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        GameFixture::TearDown();
    }
    GLuint list = 0;
};

TEST_F(WorldDrawTest, ObjectsDrawAfterTheBoundsCheckAndANullTextureNeverBreaksALaterBind) {
    std::unique_ptr<Texture> red(solidTexture(255, 0, 0));
    int deleted = 0;
    // Textured, then without a texture, then textured again; one more is out of the field.
    const float xs[3] = {-1.2f, 0.0f, 1.2f};
    Probe* probes[3];
    for (int i = 0; i < 3; ++i) {
        probes[i] = new Probe(0.3f, &deleted);
        probes[i]->setDisplayList(list);
        probes[i]->setPosition(xs[i], 0.5f, -3);
        if (i != 1) probes[i]->setTexture(red.get());
        world().addToActive(probes[i]);
    }
    Probe* gone = new Probe(0.3f, &deleted);
    gone->setDisplayList(list);
    gone->setPosition(0, 0.5f, 3);  // behind the camera: removed before drawing
    world().addToActive(gone);

    world().drawObjects();
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(game().getScore(), 15);
    EXPECT_EQ(world().getActiveObjects().size(), 3u);
    harness::savePng("/tmp/lumivex-objects-draw.png");

    GLdouble mv[16], pr[16], wx, wy, wz;
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    for (int i = 0; i < 3; ++i) {
        gluProject(xs[i], 0.5, -3, mv, pr, vp, &wx, &wy, &wz);
        const auto px = harness::readPixel(int(wx), int(wy));
        EXPECT_EQ(px[0], 255) << "probe " << i;
        EXPECT_EQ(px[1], i == 1 ? 255 : 0) << "probe " << i << ": white without texture, red with it";
    }
}

TEST_F(WorldDrawTest, GameObjectsDrawWithTheirModelsAndTextures) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const GLfloat light[4] = {0.3f, 1.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    Spaceship* ship = makeShip();
    GameObject* objects[4] = {new Asteroid(1.5f), new Bullet(), new BulletPowerUp(), new PowerUp()};
    for (int i = 0; i < 4; ++i) {
        world().addToActive(objects[i]);
        objects[i]->setPosition(-1.2f + 0.8f * i, 0.6f, -3.0f);
        objects[i]->setRotation(20, 30, 0);
    }
    ship->setPosition(0, 0.2f, -1.25f);
    world().drawObjects();
    EXPECT_EQ(harness::glErrors(), "");
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    harness::savePng("/tmp/lumivex-objects-models.png");
    EXPECT_GT(litPixels(), 3000);
    EXPECT_EQ(world().getActiveObjects().size(), 5u);
}

TEST_F(WorldDrawTest, TerrainDrawIsForwardedToTheTerrain) {
    {
        World fresh;
        fresh.drawTerrain(false, false, 3);  // no terrain yet: nothing happens
    }
    EXPECT_EQ(litPixels(), 0);
    harness::captureStdout();
    world().reset();
    harness::capturedStdout();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    game().getChaseCamera().apply();
    glColor4f(1, 1, 1, 1);
    world().drawTerrain(false, false, 3);
    EXPECT_EQ(harness::glErrors(), "");
    harness::savePng("/tmp/lumivex-objects-terrain.png");
    EXPECT_GT(litPixels(), harness::kWidth * harness::kHeight / 4);
}

TEST_F(WorldDrawTest, SkySeaSignAndArrowsDrawWithoutErrors) {
    objtest::NamedGroup group("Blue/Green Shader");
    game().currentEffectGroup = &group;
    world().drawSky(0, 0, 1);
    EXPECT_EQ(harness::glErrors(), "");
    harness::savePng("/tmp/lumivex-objects-sky.png");
    // The lower part lies beyond the far plane from this low camera; the top is covered.
    EXPECT_GT(litPixels(), harness::kWidth * harness::kHeight / 4);
    // Without its picture the quad shows the group's tint, not a stale texture.
    const auto top = harness::readPixel(harness::kWidth / 2, harness::kHeight - 10);
    const bool tinted = top[0] == 255 && top[1] >= 127 && top[1] <= 129 && top[2] == 0;
    EXPECT_EQ(tinted, world().getSkyTexture(2) == nullptr)
        << int(top[0]) << "," << int(top[1]) << "," << int(top[2]);
    glColor4f(1, 1, 1, 1);

    glClear(GL_COLOR_BUFFER_BIT);
    const float phase = world().getSeaPhase();
    world().drawSea();
    world().drawSea();
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_FLOAT_EQ(world().getSeaPhase(), phase + 0.00006f);
    EXPECT_FLOAT_EQ(world().getSeaLevel(), std::sin(4.0f * world().getSeaPhase()) / 2.5f - 0.7f);
    harness::savePng("/tmp/lumivex-objects-sea.png");
    EXPECT_GT(litPixels(0, 0, harness::kWidth, harness::kHeight / 3), harness::kWidth * harness::kHeight / 6);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_MODULATE);

    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    world().signPosition = float3{-1.0f, -1.0f, -8.0f};
    world().drawSign(false, false);
    EXPECT_EQ(litPixels(), 0) << "no sign before any warning";
    world().drawSign(true, false);
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_GT(litPixels(), 1000);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));

    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    world().drawArrows();
    EXPECT_EQ(litPixels(), 0);
    Probe* hinted = new Probe(0.16f);
    world().addObject(hinted, true);
    hinted->setPosition(0, 0.3f, -3);
    world().drawArrows();
    EXPECT_EQ(harness::glErrors(), "");
    EXPECT_GT(litPixels(), 100);
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}
