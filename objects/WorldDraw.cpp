#include <GL/glew.h>

#include "objects/World.h"

#include <cmath>
#include <cstdio>

#include "core/GameConfig.h"
#include "effects/EffectContext.h"
#include "effects/StyleLook.h"
#include "framework/Texture.h"
#include "objects/GameObject.h"
#include "objects/ResourceCache.h"
#include "objects/Spaceship.h"
#include "objects/WorldHost.h"
#include "terrain/HeightQuery.h"
#include "terrain/Terrain.h"

namespace {

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

void deleteTerrain(Terrain* terrain) { delete terrain; }

}  // namespace

void World::reset() {
    terrain.reset();
    std::printf("deleted terrain\n");

    resetRules();

    ResourceCache& cache = *resourceCache;
    TerrainTextures volumes;
    volumes.beach = cache.getTexture("3dterrain4RGB.dds", GL_TEXTURE_3D);
    volumes.winter = cache.getTexture("3dTexWinter.dds", GL_TEXTURE_3D);
    volumes.desert = cache.getTexture("3dTexDesert.dds", GL_TEXTURE_3D);
    terrain = std::unique_ptr<Terrain, void (*)(Terrain*)>(new Terrain(50, 20, 128, 128, volumes), deleteTerrain);
    // Centre the 50-unit strip on x = 0.
    terrain->getPosition() = float3{-25.0f, 0.0f, 0.0f};
    std::printf("created new terrain\n");

    const GameConfig& config = host->getConfig();
    for (int i = 0; i < 3; ++i) skyTextures[i] = cache.getTexture(config.skyPictures[i], GL_TEXTURE_2D);
    signTextures[0] = cache.getTexture("sign1swarm.png", GL_TEXTURE_2D);
    signTextures[1] = cache.getTexture("sign1attack.png", GL_TEXTURE_2D);
    arrowTexture = cache.getTexture("arrow.png", GL_TEXTURE_2D);
    seaTextures[0] = cache.getTexture("sea.jpg", GL_TEXTURE_2D);
    seaTextures[1] = cache.getTexture("meer.jpg", GL_TEXTURE_2D);
    seaTextures[2] = cache.getTexture("frozensea.jpg", GL_TEXTURE_2D);
    std::printf("textures loaded\n");
    std::fflush(stdout);
}

void World::updateHeights(TerrainHeightQuery& query, const Camera& topDown) {
    float signHeight = 0;
    query.placeOnTerrain(activeObjects, topDown, seaLevel, {signPosition.x, signPosition.z}, &signHeight);
    signPosition.y = signHeight + 5.0f;
}

std::vector<float> World::heightQueryPoints() const {
    std::vector<float> points;
    points.reserve(2 * activeObjects.size() + 2);
    for (const GameObject* obj : activeObjects) {
        points.push_back(obj->getPosition().x);
        points.push_back(obj->getPosition().z);
    }
    points.push_back(signPosition.x);
    points.push_back(signPosition.z);
    return points;
}

void World::drawObjects() {
    for (std::size_t i = 0; i < activeObjects.size(); ++i) activeObjects[i]->draw();
}

// Scenery anchors on the ship; without one (nothing in play yet) on the camera's field.
float World::sceneryZ() const {
    if (!host) return 0.0f;
    if (Spaceship* ship = host->getShip()) return ship->getPosition().z;
    return host->getEyeZ() - 1.75f;
}

void World::drawSky(float nx, float ny, float nz, const StyleLook& look) {
    glActiveTextureARB(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    bindOrPlain(skyTextures[look.skyPicture]);

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (look.sunriseTint) glColor4f(1.0f, 0.5f, 0.0f, 1.0f);

    glPushMatrix();
    glTranslatef(0, 0, sceneryZ() - 28.0f);
    pictureQuad(-26, -23, 26, 13, nx, ny, nz);
    glPopMatrix();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

float World::seaTextureT() const { return -(host ? host->getEyeZ() : 0.0f) / 30.0f; }

void World::useSeaSurface(const StyleLook& look) {
    const GLfloat diffuse[4] = {0.53f, 0.76f, 0.9f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    bindOrPlain(seaTextures[look.seaPicture]);
    // The sea's last corner: an untextured terrain mode sends no coordinates and samples there.
    glTexCoord2f(seaPhase, seaTextureT() + 1);
}

void World::drawSea(const StyleLook& look) {
    useSeaSurface(look);  // first: the unit it binds on is the one the environment mode is for
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    const float t = seaTextureT();

    glPushMatrix();
    glTranslatef(0, 0, sceneryZ());
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

TerrainFrame World::terrainFrame() const {
    // The terrain program's uniforms are set only during play, as the effects' are.
    return TerrainFrame{float3{0, 0, host ? host->getEyeZ() : 0.0f}, effectContext().playing, seaLevel};
}

void World::drawTerrain(bool useShader, bool withFog, int mode) {
    if (terrain) terrain->draw(useShader, withFog, mode, terrainFrame());
}

void World::drawTerrainAround(const std::vector<float>& points) {
    if (terrain) terrain->drawAround(points, terrainFrame());
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
