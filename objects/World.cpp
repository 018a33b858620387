#include <GL/glew.h>

#include "objects/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include "core/Game.h"
#include "effects/EffectGroup.h"
#include "framework/Texture.h"
#include "objects/Asteroid.h"
#include "objects/BulletPowerUp.h"
#include "objects/GameObject.h"
#include "platform/Random.h"
#include "objects/PowerUp.h"
#include "objects/Spaceship.h"
#include "terrain/Terrain.h"

namespace {

const char* currentGroupName() {
    EffectGroup* group = Game::instance().getCurrentEffectGroup();
    return group && group->getName() ? group->getName() : "";
}

bool groupIs(const char* name, const char* wanted) { return std::strcmp(name, wanted) == 0; }

float lengthOf(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

void removeAll(std::vector<GameObject*>& list, GameObject* obj) {
    list.erase(std::remove(list.begin(), list.end(), obj), list.end());
}

// A picture that failed to load leaves the quad in its plain colour rather than showing
// whatever texture happened to be bound before.
void bindOrPlain(Texture* texture) {
    if (texture) {
        bindTexture(texture, GL_TEXTURE_2D, 0);
    } else {
        glActiveTextureARB(GL_TEXTURE0);
        glDisable(GL_TEXTURE_2D);
    }
}

void deleteTerrain(Terrain*& terrain) {
    delete terrain;
    terrain = nullptr;
}

// An upright picture quad in the z = 0 plane from (x0, y0) to (x1, y1), texture 0..1, with
// the given normal.
void pictureQuad(float x0, float y0, float x1, float y1, float nx, float ny, float nz) {
    glBegin(GL_QUADS);
    glNormal3f(nx, ny, nz);
    glTexCoord2f(0, 0);
    glVertex3f(x0, y0, 0);
    glTexCoord2f(1, 0);
    glVertex3f(x1, y0, 0);
    glTexCoord2f(1, 1);
    glVertex3f(x1, y1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(x0, y1, 0);
    glEnd();
}
}  // namespace

World::World()
    : bulletHintPending(false),
      starHintPending(false),
      signPosition{0, 0, 0},
      terrain(nullptr),
      spawnPressure(0),
      skyTextures{},
      seaTextures{},
      signTextures{},
      arrowTexture(nullptr),
      starTimer(0),
      seaPhase(0),
      seaLevel(0),
      knownShip(nullptr) {}

World::~World() {
    if (terrain) deleteTerrain(terrain);
    clear();
}

bool World::isShip(const GameObject* obj) const {
    return obj && (obj == knownShip || obj == Game::instance().getShip());
}

void World::reset() {
    if (terrain) deleteTerrain(terrain);
    std::printf("deleted terrain\n");

    starHintPending = true;
    bulletHintPending = true;
    starTimer = 0;

    Game& game = Game::instance();
    ResourceCache& cache = game.getResourceCache();
    TerrainTextures volumes;
    volumes.beach = cache.getTexture("3dterrain4RGB.dds", GL_TEXTURE_3D);
    volumes.winter = cache.getTexture("3dTexWinter.dds", GL_TEXTURE_3D);
    volumes.desert = cache.getTexture("3dTexDesert.dds", GL_TEXTURE_3D);
    terrain = new Terrain(50, 20, 128, 128, volumes);
    // Centre the 50-unit strip on x = 0.
    terrain->getPosition() = float3{-25.0f, 0.0f, 0.0f};
    std::printf("created new terrain\n");

    spawnPressure = game.getConfig().spawnPressureStart;

    for (int i = 0; i < 3; ++i) skyTextures[i] = cache.getTexture(game.getConfig().skyPictures[i], GL_TEXTURE_2D);
    signTextures[0] = cache.getTexture("sign1swarm.png", GL_TEXTURE_2D);
    signTextures[1] = cache.getTexture("sign1attack.png", GL_TEXTURE_2D);
    arrowTexture = cache.getTexture("arrow.png", GL_TEXTURE_2D);
    seaTextures[0] = cache.getTexture("sea.jpg", GL_TEXTURE_2D);
    seaTextures[1] = cache.getTexture("meer.jpg", GL_TEXTURE_2D);
    seaTextures[2] = cache.getTexture("frozensea.jpg", GL_TEXTURE_2D);
    std::printf("textures loaded\n");
    std::fflush(stdout);
}

void World::clear() {
    // Everything dropped here except the ship belongs to the world, including objects
    // still waiting for their removal step; each is deleted exactly once.
    std::unordered_set<GameObject*> doomed;
    std::vector<GameObject*> order;
    for (auto* list : {&activeObjects, &pendingRemovals, &hintedObjects}) {
        for (GameObject* obj : *list) {
            if (!obj || isShip(obj)) continue;
            if (doomed.insert(obj).second) order.push_back(obj);
        }
    }
    activeObjects.clear();
    pendingRemovals.clear();
    hintedObjects.clear();
    for (GameObject* obj : order) delete obj;
}

void World::addToActive(GameObject* obj) {
    if (Spaceship* ship = dynamic_cast<Spaceship*>(obj)) knownShip = ship;
    activeObjects.push_back(obj);
}

void World::addObject(GameObject* obj, bool hinted) {
    const float eyeZ = Game::instance().getChaseCamera().getEye().z;
    obj->setRotation(0, -90, 0);
    // Three draws in a fixed order, so a seeded run places objects the same way.
    const float x = (gameRandom() % 100) / 100.0f * 15.0f - 7.5f;
    obj->setPosition(x, 0, eyeZ - 30.0f);
    const float vz = (gameRandom() % 1000) / 1000.0f * 0.002f;
    const float vx = -x / static_cast<float>((gameRandom() % 1000) + 6000);
    obj->setVelocity(vx, 0, vz);
    activeObjects.push_back(obj);
    if (hinted) hintedObjects.push_back(obj);
}

void World::requestRemoval(GameObject* obj) {
    // The ship is the Game's; removing it would leave the game without a player.
    if (!obj || isShip(obj)) return;
    pendingRemovals.push_back(obj);
}

void World::flushRemovals() {
    if (pendingRemovals.empty()) return;
    std::vector<GameObject*> doomed;
    doomed.swap(pendingRemovals);
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (GameObject* obj : doomed) {
        removeAll(activeObjects, obj);
        removeAll(hintedObjects, obj);
        delete obj;
    }
}

void World::update(float dt) {
    Game& game = Game::instance();
    const GameConfig& config = game.getConfig();

    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->update(dt);

    spawnPressure = static_cast<int>(spawnPressure + config.spawnPressureGrowth * dt);
    starTimer = static_cast<int>(starTimer + dt);

    const int r = gameRandom() % 500000;
    if (spawnPressure / 100 > r) {
        Spaceship* ship = game.getShip();
        bool powerUp = false;
        if (spawnPressure > 10000) {
            const bool finalGroup = ship && ship->finalGroupReached;
            powerUp = gameRandom() % 100 < (finalGroup ? 22 : 42);
        }
        if (powerUp) {
            if (gameRandom() % 100 < 40) {
                addObject(new BulletPowerUp(), bulletHintPending);
            } else {
                EffectGroup* group = game.getCurrentEffectGroup();
                if (group && group->getNext() && starTimer > 2500) {
                    addObject(new PowerUp(), starHintPending);
                    starTimer = 0;
                }
            }
        } else if (game.getScore() < config.firstScoreThreshold || gameRandom() % 100 >= 10) {
            addObject(new Asteroid(1.5f), false);
        } else {
            const int n = std::max(7, gameRandom() % 16);
            for (int i = 0; i < n; ++i) addObject(new Asteroid(0.06f), false);
        }
    }

    Spaceship* ship = game.getShip();
    const std::size_t count = activeObjects.size();
    for (std::size_t i = 0; i < count; ++i) {
        GameObject* a = activeObjects[i];
        for (std::size_t j = i + 1; j < count; ++j) {
            GameObject* b = activeObjects[j];
            const float3 pa = a->getPosition();
            const float3 pb = b->getPosition();
            const float gap = lengthOf(pa.x - pb.x, pa.y - pb.y, pa.z - pb.z);
            if (!(gap < a->getRadius() + b->getRadius())) continue;

            const float vza = a->getVelocity().z;
            const float vzb = b->getVelocity().z;
            if (vzb < 0 && vza > 0) {
                knockAway(b, a);
            } else if (vza < 0 && vzb > 0) {
                knockAway(a, b);
            } else if (ship && a == ship) {
                b->onCollision(ship);
                requestRemoval(b);
            } else if (ship && b == ship) {
                a->onCollision(ship);
                requestRemoval(a);
            }
        }
    }

    flushRemovals();
}

void World::knockAway(GameObject* p, GameObject* t) {
    const float3 pv = p->getVelocity();
    const float3 tv = t->getVelocity();
    const float3 dv{pv.x - tv.x, pv.y - tv.y, pv.z - tv.z};
    const float3 pp = p->getPosition();
    const float3 tp = t->getPosition();
    const float3 dp{pp.x - tp.x, pp.y - tp.y, pp.z - tp.z};

    const int overlap = static_cast<int>(p->getRadius() + t->getRadius() - lengthOf(dp.x, dp.y, dp.z));
    if (overlap > 0) t->movePosition(overlap, overlap, overlap);

    t->setVelocity(dv.x, 0, pv.z);
    p->setVelocity(-dv.x, 0, pv.z);
    t->addAngularVelocity(0, -dv.x * 5.0f, -dv.z * 5.0f);
}

void World::updateHeights() {
    Game& game = Game::instance();
    game.placeOnTerrain(activeObjects);

    std::vector<float> request{signPosition.x, signPosition.z};
    float heights[512] = {};
    game.computeTerrainHeightAt(request, heights);
    signPosition.y = heights[0] + 5.0f;
}

void World::drawObjects() {
    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->checkBounds();
    flushRemovals();
    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->draw();
}

namespace {
// Scenery anchors on the ship; without one (nothing in play yet) on the camera's field.
float shipZ() {
    Game& game = Game::instance();
    if (Spaceship* ship = game.getShip()) return ship->getPosition().z;
    return game.getChaseCamera().getEye().z - 1.75f;
}
}  // namespace

void World::drawSky(float nx, float ny, float nz) {
    const char* name = currentGroupName();
    glEnable(GL_TEXTURE_2D);
    Texture* picture = skyTextures[2];
    if (groupIs(name, "Standard Shader"))
        picture = skyTextures[0];
    else if (groupIs(name, "Pure"))
        picture = skyTextures[1];
    bindOrPlain(picture);

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (groupIs(name, "Blue/Green Shader")) glColor4f(1.0f, 0.5f, 0.0f, 1.0f);

    glPushMatrix();
    glTranslatef(0, 0, shipZ() - 28.0f);
    pictureQuad(-26, -23, 26, 13, nx, ny, nz);
    glPopMatrix();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void World::drawSea() {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const GLfloat diffuse[4] = {0.53f, 0.76f, 0.9f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);

    const float t = -Game::instance().getChaseCamera().getEye().z / 30.0f;
    seaPhase += 0.00003f;
    seaLevel = std::sin(4.0f * seaPhase) / 2.5f - 0.7f;

    const char* name = currentGroupName();
    Texture* picture = seaTextures[0];
    if (groupIs(name, "Sunny Shader"))
        picture = seaTextures[1];
    else if (groupIs(name, "Phong Shader"))
        picture = seaTextures[2];
    bindOrPlain(picture);

    glPushMatrix();
    glTranslatef(0, 0, shipZ());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);
    glTexCoord2f(seaPhase, t);
    glVertex3f(-23, seaLevel, 2);
    glTexCoord2f(seaPhase + 1, t);
    glVertex3f(23, seaLevel, 2);
    glTexCoord2f(seaPhase + 1, t + 1);
    glVertex3f(23, seaLevel, -28);
    glTexCoord2f(seaPhase, t + 1);
    glVertex3f(-23, seaLevel, -28);
    glEnd();
    glPopMatrix();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void World::drawTerrain(bool useShader, bool withFog, int mode) {
    if (!terrain) return;
    Game& game = Game::instance();
    const TerrainFrame frame{game.getChaseCamera().getEye(), game.getState() == Playing, seaLevel};
    terrain->draw(useShader, withFog, mode, frame);
}

void World::drawSign(bool swarmSign, bool attackSign) {
    // Before any warning was placed there is no sign to show.
    if (!swarmSign && !attackSign) return;

    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    bindOrPlain(attackSign ? signTextures[1] : signTextures[0]);
    glDisable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(signPosition.x, signPosition.y, signPosition.z);
    glRotatef(20, 0, 1, 0);
    glRotatef(10, 1, 0, 0);
    glRotatef(-10, 0, 0, 1);
    pictureQuad(-1.1f, -2.0f, 1.1f, 4.2f, 0, 1, 0);
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);
}

void World::drawArrows() {
    for (GameObject* obj : hintedObjects) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.4f);
        bindOrPlain(arrowTexture);
        glDisable(GL_LIGHTING);
        glPushMatrix();
        const float3 p = obj->getPosition();
        glTranslatef(p.x, p.y + obj->getRadius() + 0.25f, p.z);
        pictureQuad(-0.1f, -0.25f, 0.1f, 0.25f, 0, 1, 0);
        glPopMatrix();
        glDisable(GL_ALPHA_TEST);
    }
}
