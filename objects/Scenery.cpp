#include "objects/Scenery.h"

#include <GL/glew.h>

#include <vector>

#include "core/GameConfig.h"
#include "core/GameState.h"
#include "effects/EffectContext.h"
#include "effects/StyleLook.h"
#include "framework/Texture.h"
#include "objects/GameObject.h"
#include "objects/ObjectDraw.h"
#include "objects/ResourceCache.h"
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

// Scenery anchors on the ship.
float sceneryZ(const GameState& flight) { return flight.ship ? flight.ship->getPosition().z : flight.getEyeZ() - 1.75f; }

// Where the sea picture starts along the flight.
float seaTextureT(const GameState& flight) { return -flight.getEyeZ() / 30.0f; }

}  // namespace

Scenery::Scenery() : skyTextures{}, seaTextures{}, signTextures{}, arrowTexture(nullptr) {}

Scenery::~Scenery() = default;

void Scenery::create(ResourceCache& cache, const GameConfig& config) {
    TerrainTextures volumes;
    volumes.beach = cache.getTexture("3dterrain4RGB.dds", GL_TEXTURE_3D);
    volumes.winter = cache.getTexture("3dTexWinter.dds", GL_TEXTURE_3D);
    volumes.desert = cache.getTexture("3dTexDesert.dds", GL_TEXTURE_3D);
    terrain = std::make_unique<Terrain>(TerrainStrip::kChunkSizeX, TerrainStrip::kChunkSizeZ, TerrainStrip::kVertices,
                                        TerrainStrip::kVertices, volumes);
    for (int i = 0; i < 3; ++i) skyTextures[i] = cache.getTexture(config.skyPictures[i], GL_TEXTURE_2D);
    signTextures[0] = cache.getTexture("sign1swarm.png", GL_TEXTURE_2D);
    signTextures[1] = cache.getTexture("sign1attack.png", GL_TEXTURE_2D);
    arrowTexture = cache.getTexture("arrow.png", GL_TEXTURE_2D);
    seaTextures[0] = cache.getTexture("sea.jpg", GL_TEXTURE_2D);
    seaTextures[1] = cache.getTexture("meer.jpg", GL_TEXTURE_2D);
    seaTextures[2] = cache.getTexture("frozensea.jpg", GL_TEXTURE_2D);
}

void Scenery::sync(const GameState& flight) {
    if (terrain) terrain->sync(flight.world.getTerrain());
}

namespace {

template <class Draw>
void eachObject(const GameState& flight, bool withoutShip, Draw draw) {
    for (const GameObject* obj : flight.world.getActiveObjects())
        if (!withoutShip || obj != flight.ship.get()) draw(*obj);
}

}  // namespace

void Scenery::drawObjects(const GameState& flight, bool withoutShip) const {
    eachObject(flight, withoutShip, [](const GameObject& obj) { obj.draw(); });
}

void Scenery::drawObjectShapes(const GameState& flight, bool withoutShip) const {
    eachObject(flight, withoutShip, drawGameObjectShape);
}

void Scenery::drawObjectOutlines(const GameState& flight, bool withoutShip, bool sharpModels) const {
    eachObject(flight, withoutShip, [sharpModels](const GameObject& obj) { drawGameObjectOutline(obj, sharpModels); });
}

void Scenery::drawSky(const GameState& flight, float nx, float ny, float nz, const StyleLook& look) const {
    glActiveTextureARB(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    bindOrPlain(skyTextures[look.skyPicture]);

    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (look.sunriseTint) glColor4f(1.0f, 0.5f, 0.0f, 1.0f);

    glPushMatrix();
    glTranslatef(0, 0, sceneryZ(flight) - 28.0f);
    pictureQuad(-26, -23, 26, 13, nx, ny, nz);
    glPopMatrix();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void Scenery::useSeaSurface(const GameState& flight, const StyleLook& look) const {
    const GLfloat diffuse[4] = {0.53f, 0.76f, 0.9f, 0.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    bindOrPlain(seaTextures[look.seaPicture]);
    // The sea's last corner: an untextured terrain mode sends no coordinates and samples there.
    glTexCoord2f(flight.world.getSeaPhase(), seaTextureT(flight) + 1);
}

void Scenery::drawSea(const GameState& flight, const StyleLook& look) const {
    useSeaSurface(flight, look);  // first: the unit it binds on is the one the environment mode is for
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    const float t = seaTextureT(flight);
    const float phase = flight.world.getSeaPhase();
    const float level = flight.world.getSeaLevel();

    // The sea lies under the ground, 46 wide and 30 long from just behind the ship. Only the
    // parts of it that the ground does not stand over are drawn: a software rasteriser pays
    // for every pixel the ground hides as well.
    const float z = sceneryZ(flight);
    const GroundRect whole{-23, -28, 23, 2};
    std::vector<GroundRect> parts(1, whole);
    if (terrain) {
        std::vector<PlacedChunk> chunks;
        for (const TerrainChunk* c : terrain->getChunks())
            chunks.push_back(PlacedChunk{&c->getGrid(), &c->getBounds(), terrain->getPosition().x + c->getPosition().x,
                                         terrain->getPosition().z + c->getPosition().z - z});
        seaParts(terrain->getMesh(), chunks, level, whole, parts);
    }

    glPushMatrix();
    glTranslatef(0, 0, z);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);
    // The picture spans the whole rectangle whatever part of it is drawn; the corners in the
    // rectangle's own order (near left, near right, far right, far left) face the same way.
    auto corner = [&](float x, float cz) {
        glTexCoord2f(phase + (x + 23) / 46, t + (2 - cz) / 30);
        glVertex3f(x, level, cz);
    };
    for (const GroundRect& r : parts) {
        corner(r.x0, r.z1);
        corner(r.x1, r.z1);
        corner(r.x1, r.z0);
        corner(r.x0, r.z0);
    }
    glEnd();
    glPopMatrix();
    glTexCoord2f(phase, t + 1);  // as the whole rectangle's last corner left it
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void Scenery::drawTerrain(const GameState& flight, bool useShader, bool withFog, int mode) const {
    // The terrain program's uniforms are set only during play, as the effects' are.
    if (terrain) terrain->draw(useShader, withFog, mode, TerrainFrame{effectContext().playing, flight.world.getSeaLevel()});
}

void Scenery::drawSign(const GameState& flight) const {
    // Before any warning was placed there is no sign to show.
    if (!flight.firstSignShown && !flight.secondSignShown) return;

    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.4f);
    bindOrPlain(flight.secondSignShown ? signTextures[1] : signTextures[0]);
    glDisable(GL_LIGHTING);
    glPushMatrix();
    const float3 at = flight.world.signPosition;
    glTranslatef(at.x, at.y, at.z);
    glRotatef(20, 0, 1, 0);
    glRotatef(10, 1, 0, 0);
    glRotatef(-10, 0, 0, 1);
    pictureQuad(-1.1f, -2.0f, 1.1f, 4.2f, 0, 1, 0);
    glPopMatrix();
    glDisable(GL_ALPHA_TEST);
}

void Scenery::drawArrows(const GameState& flight) const {
    for (const GameObject* obj : flight.world.getHintedObjects()) {
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
