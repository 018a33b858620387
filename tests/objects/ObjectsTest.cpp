// The drawing side of the objects and the scenery, read back from the window. The rules are
// in WorldRulesTest.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/Game.h"
#include "effects/EffectContext.h"
#include "effects/StyleLook.h"
#include "framework/Logger.h"
#include "model/glm.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/ObjectDraw.h"
#include "objects/PowerUp.h"
#include "support/GlHarness.h"

namespace {

// Lit pixels of the window after draw() on black, with no GL error on the way.
int drawn(const std::function<void()>& draw) {
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    harness::glErrors();
    draw();
    EXPECT_EQ(harness::glErrors(), "");
    const std::vector<unsigned char> px = harness::readPixels(0, 0, harness::kWidth, harness::kHeight);
    int lit = 0;
    for (size_t i = 0; i < px.size(); i += 4) lit += (px[i] | px[i + 1] | px[i + 2]) != 0;
    return lit;
}

// Every kind has its picture, model and display list from the game folder, and each kind, the
// sky, the sea and, once a warning was placed, the sign show in the window.
TEST(ObjectDrawing, EveryKindAndTheSceneryDrawFromTheGameFolder) {
    Logger logger;
    effectContext().logger = &logger;
    GameConfig config;
    ResourceCache cache;
    Scenery scenery;
    harness::captureStdout();
    resolveObjectKinds(cache);
    scenery.create(cache, config);
    GameState flight;
    flight.start(3, FlightRules{});
    harness::capturedStdout();
    Game::instance().initProjection();
    glLoadIdentity();
    flight.chaseCamera.apply();
    for (GLenum cap : {GL_LIGHTING, GL_LIGHT0}) glEnable(cap);
    glDisable(GL_CULL_FACE);
    for (GameObject* obj : std::vector<GameObject*>{new Asteroid(1.5f, flight.random), new Bullet(), new BulletPowerUp(), new PowerUp()})
        flight.world.addToActive(obj);
    ASSERT_EQ(flight.world.getActiveObjects().size(), static_cast<size_t>(kObjectKindCount));  // the ship first
    for (GameObject* obj : flight.world.getActiveObjects()) {
        const KindResources& r = kindResources(obj->getKind());
        EXPECT_TRUE(r.texture && r.nearModel.model && r.nearModel.displayList)
            << "kind " << static_cast<int>(obj->getKind());
        obj->setPosition(0, 0.6f, -1.25f);  // where the ship starts: the scenery stands behind it
        EXPECT_GT(drawn([&] { obj->draw(); }), 10) << "kind " << static_cast<int>(obj->getKind());  // a bullet is 22 pixels
    }
    // The far asteroid stands in for the near one while it is small: it must stand where the
    // near one stands and be as large, its points the near one's first ones, or the rock jumps.
    const KindModel &nearRock = kindResources(ObjectKind::Asteroid).nearModel,
                    &farRock = kindResources(ObjectKind::Asteroid).farModel;
    ASSERT_TRUE(farRock.model && farRock.displayList && farRock.silhouette);
    EXPECT_EQ(farRock.model->numtriangles * 4, nearRock.model->numtriangles);
    ASSERT_LT(farRock.model->numvertices, nearRock.model->numvertices);
    EXPECT_TRUE(std::equal(farRock.model->vertices, farRock.model->vertices + 3 * (farRock.model->numvertices + 1),
                           nearRock.model->vertices));
    glDisable(GL_LIGHTING);
    const StyleLook look;
    EXPECT_GT(drawn([&] { scenery.drawSky(flight, 0, 0, 1, look); }), harness::kWidth * harness::kHeight / 4);
    EXPECT_GT(drawn([&] { scenery.drawSea(flight, look); }), harness::kWidth * harness::kHeight / 6);
    flight.world.signPosition = float3{-1.0f, -1.0f, -8.0f};
    EXPECT_EQ(drawn([&] { scenery.drawSign(flight); }), 0) << "no sign before any warning";
    flight.firstSignShown = true;
    EXPECT_GT(drawn([&] { scenery.drawSign(flight); }), 1000);
}

}  // namespace
