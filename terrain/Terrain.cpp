#include "terrain/Terrain.h"

#include <GL/glew.h>

#include "core/Game.h"
#include "terrain/HeightGenerator.h"
#include "terrain/TerrainShader.h"

Terrain::Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ)
    : shader(nullptr),
      position{0, 0, 0},
      chunkSizeX(chunkSizeX),
      chunkSizeZ(chunkSizeZ),
      verticesX(verticesX),
      verticesZ(verticesZ) {
    addChunk();
    addChunk();
    addChunk();
    shader = new TerrainShader();
}

Terrain::~Terrain() {
    for (TerrainChunk* chunk : chunks) delete chunk;
    chunks.clear();
    // A new terrain is built for every game; keeping the old program would leak one per game.
    delete shader;
}

void Terrain::addChunk() {
    TerrainChunk* chunk = new TerrainChunk(chunkSizeX, chunkSizeZ, verticesX, verticesZ);
    if (!chunks.empty()) {
        // The new chunk's last row lies on the far chunk's first row: copy it so the surface
        // and its shading stay continuous across the seam.
        TerrainChunk* last = chunks.back();
        chunk->getPosition().z = last->getPosition().z - chunkSizeZ;
        for (int i = 0; i < verticesX; ++i) {
            chunk->setHeightIfUnset(i, verticesZ - 1, last->getVertex(i, 0).y);
            chunk->setNormal(i, verticesZ - 1, last->getNormal(i, 0));
        }
    }
    chunks.push_back(chunk);

    HeightGenerator generator;
    generator.generate(*chunk, 0.005f, 3.0f);
    chunk->computeNormals();
    chunk->buildBuffers();
}

void Terrain::draw(bool useShader, bool withFog, int mode) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    if (useShader) shader->prepare(withFog, mode);
    for (TerrainChunk* chunk : chunks) chunk->draw(mode);
    if (useShader) shader->deactivate();
    glPopMatrix();

    // Once the chase camera is past the nearest chunk's first row, that chunk is behind it.
    if (chunks.empty()) return;
    const float3 eye = Game::instance().getChaseCamera().getEye();
    TerrainChunk* nearest = chunks.front();
    if (nearest->getPosition().z + position.z > eye.z) {
        delete nearest;
        chunks.erase(chunks.begin());
        addChunk();
    }
}
