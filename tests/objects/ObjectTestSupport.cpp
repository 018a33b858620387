#include "ObjectTestSupport.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include <sys/stat.h>

#include "framework/Logger.h"
#include "framework/Texture.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/BulletPowerUp.h"
#include "objects/PowerUp.h"
#include "support/GlHarness.h"

namespace objtest {
namespace {

const char* const kModels[] = {"Modells/ship3.obj", "Modells/asteroid1.obj", "Modells/bullet.obj",
                               "Modells/bullet-powerup.obj", "Modells/special-stern.obj"};

bool exists(const std::string& path) { return std::ifstream(path).good(); }

// A unit cube with texture coordinates and one material.
std::string cubeObj() {
    std::string s = "mtllib probe.mtl\n";
    const char* v[] = {"-1 -1 -1", "1 -1 -1", "1 1 -1", "-1 1 -1", "-1 -1 1", "1 -1 1", "1 1 1", "-1 1 1"};
    for (const char* p : v) s += std::string("v ") + p + "\n";
    s += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl body\n";
    const int f[6][4] = {{1, 4, 3, 2}, {5, 6, 7, 8}, {1, 2, 6, 5}, {4, 8, 7, 3}, {1, 5, 8, 4}, {2, 3, 7, 6}};
    for (const auto& q : f) {
        s += "f " + std::to_string(q[0]) + "/1 " + std::to_string(q[1]) + "/2 " + std::to_string(q[2]) + "/3\n";
        s += "f " + std::to_string(q[0]) + "/1 " + std::to_string(q[2]) + "/3 " + std::to_string(q[3]) + "/4\n";
    }
    return s;
}

void loadOneOfEach() {
    delete new Spaceship();
    delete new Asteroid(1.5f);
    delete new Bullet();
    delete new BulletPowerUp();
    delete new PowerUp();
}

}  // namespace

void ensureObjectResources() {
    static bool done = false;
    if (done) return;
    done = true;
    Game& game = Game::instance();
    // Services that start-up creates and the terrain's programs log through.
    if (!game.getConfig().logger) game.getConfig().logger = new Logger();
    if (!game.getConfig().textureLoader) game.getConfig().textureLoader = new TextureLoader();

    // Sounds stay out: without a started sound system the cache hands out none, and the
    // object rules treat a missing sound like a silent one.
    bool haveData = true;
    for (const char* m : kModels) haveData = haveData && exists(m);
    if (haveData) {
        loadOneOfEach();
        return;
    }
    const std::string dir = harness::makeTempDir("lumivex-objects");
    mkdir((dir + "/Modells").c_str(), 0755);
    harness::writeFileText(dir + "/Modells/probe.mtl", "newmtl body\nKa 0.2 0.2 0.2\nKd 0.8 0.7 0.6\nKs 0 0 0\n");
    for (const char* m : kModels) harness::writeFileText(dir + "/" + m, cubeObj());
    {
        harness::ScopedCwd cwd(dir);
        loadOneOfEach();  // the cache keeps them for the rest of the run
    }
    harness::removeTree(dir);
}

void resetGame() {
    Game& game = Game::instance();
    World& world = game.getWorld();
    if (game.ship) {
        auto& active = world.getActiveObjects();
        for (auto it = active.begin(); it != active.end();) it = (*it == game.ship) ? active.erase(it) : it + 1;
        delete game.ship;
        game.ship = nullptr;
    }
    world.clear();
    world.bulletHintPending = false;
    world.starHintPending = false;
    world.setSpawnPressure(0);
    world.setStarTimer(0);
    game.score = 0;
    game.scoreMultiplier = 1;
    game.bulletCount = 0;
    game.currentEffectGroup = nullptr;
    game.state = Playing;
    game.getChaseCamera().set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    game.getTopDownCamera().set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);
}

unsigned findSeed(const std::function<bool()>& pred, unsigned from) {
    for (unsigned seed = from; seed < from + 5000000; ++seed) {
        std::srand(seed);
        if (pred()) return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 1;
}

void GameFixture::SetUp() {
    ensureObjectResources();
    resetGame();
}

void GameFixture::TearDown() { resetGame(); }

Spaceship* GameFixture::makeShip() {
    Game& g = game();
    g.ship = new Spaceship();
    g.ship->setRotation(0, 90, 0);
    g.ship->setPosition(0, 0.2f, g.getChaseCamera().getEye().z - 1.75f);
    world().addToActive(g.ship);
    return g.ship;
}

}  // namespace objtest
