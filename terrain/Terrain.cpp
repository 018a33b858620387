#include "terrain/Terrain.h"

#include <GL/glew.h>

#include "terrain/HeightGenerator.h"
#include "terrain/TerrainShader.h"

Terrain::Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ, const TerrainTextures& textures)
    : shader(nullptr),
      position{0, 0, 0},
      chunkSizeX(chunkSizeX),
      chunkSizeZ(chunkSizeZ),
      verticesX(verticesX),
      verticesZ(verticesZ),
      textures(textures) {
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
    TerrainChunk* chunk = new TerrainChunk(chunkSizeX, chunkSizeZ, verticesX, verticesZ, textures);
    TerrainChunk* last = chunks.empty() ? nullptr : chunks.back();
    // The new chunk's last row lies on the far chunk's first row.
    if (last) chunk->getPosition().z = last->getPosition().z - chunkSizeZ;
    chunks.push_back(chunk);

    generateChunkGrid(chunk->getGrid(), last ? &last->getGrid() : nullptr);
    chunk->upload();
}

void Terrain::draw(bool useShader, bool withFog, int mode, const TerrainFrame& frame) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    if (useShader) shader->prepare(withFog, mode, frame.playing, frame.waterLevel);
    for (TerrainChunk* chunk : chunks) chunk->draw(mode);
    if (useShader) shader->deactivate();
    glPopMatrix();

    // Once the chase camera is past the nearest chunk's first row, that chunk is behind it.
    if (chunks.empty()) return;
    TerrainChunk* nearest = chunks.front();
    if (nearest->getPosition().z + position.z > frame.chaseEye.z) {
        delete nearest;
        chunks.erase(chunks.begin());
        addChunk();
    }
}
