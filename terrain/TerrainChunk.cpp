#include "terrain/TerrainChunk.h"

#include <cstdint>

#include "framework/ScreenPass.h"
#include "framework/Texture.h"

TerrainChunk::TerrainChunk(std::shared_ptr<const HeightGrid> g, float z, uint32_t serialNumber,
                           const TerrainTextures& textures)
    : position{0, 0, z},
      positionBuffer(0),
      normalBuffer(0),
      vertexCount(0),
      grid(std::move(g)),
      serial(serialNumber),
      textures(textures) {
    glGenBuffersARB(1, &positionBuffer);
    glGenBuffersARB(1, &normalBuffer);
}

TerrainChunk::~TerrainChunk() {
    const GLuint buffers[2] = {positionBuffer, normalBuffer};
    glDeleteBuffersARB(2, buffers);
}

void TerrainChunk::upload(const TerrainMesh& mesh) {
    const int n = static_cast<int>(grid->getVertices().size());
    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 12, grid->getVertices().data(), GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 12, grid->getNormals().data(), GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    vertexCount = n;
    bounds = computeChunkBounds(mesh, *grid);
    applied.assign(mesh.getBands(), BandDetail{});
}

void TerrainChunk::applyDetails(const TerrainMesh& mesh, const std::vector<BandDetail>& details) {
    for (size_t band = 0; band < details.size() && band < applied.size(); ++band) {
        const BandDetail& want = details[band];
        if (want == applied[band]) continue;
        applied[band] = want;
        morphBand(mesh, *grid, static_cast<int>(band), want, bandVertices, bandNormals);
        if (bandVertices.empty()) continue;
        const GLintptrARB offset =
            static_cast<GLintptrARB>(mesh.bandFirstRow(static_cast<int>(band)) + 1) * mesh.getVerticesX() * sizeof(float3);
        const GLsizeiptrARB size = static_cast<GLsizeiptrARB>(bandVertices.size() * sizeof(float3));
        glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
        glBufferSubDataARB(GL_ARRAY_BUFFER, offset, size, bandVertices.data());
        glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
        glBufferSubDataARB(GL_ARRAY_BUFFER, offset, size, bandNormals.data());
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

Texture* TerrainChunk::textureFor(int mode) const {
    switch (mode) {
        case Winter: return textures.winter;
        case Desert: return textures.desert;
        case Beach: return textures.beach;
        default: return nullptr;
    }
}

void TerrainChunk::draw(int mode, GLuint texCoordBuffer, const std::vector<IndexRange>& runs) {
    if (runs.empty()) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    keepColourFourWide();

    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);

    if (mode != Untextured) {
        glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
        glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glActiveTextureARB(GL_TEXTURE3_ARB);
        // A texture that failed to load is bound as name 0 rather than dereferenced.
        Texture* texture = textureFor(mode);
        glBindTexture(GL_TEXTURE_3D, texture ? texture->getID() : 0);
    }

    counts.clear();
    offsets.clear();
    for (const IndexRange& run : runs) {
        counts.push_back(run.count);
        offsets.push_back(reinterpret_cast<const GLvoid*>(static_cast<uintptr_t>(run.first) * sizeof(uint16_t)));
    }
    glMultiDrawElements(GL_TRIANGLES, counts.data(), GL_UNSIGNED_SHORT, offsets.data(),
                        static_cast<GLsizei>(counts.size()));

    disable2DTexturing(2);
    glActiveTextureARB(GL_TEXTURE3_ARB);
    glDisable(GL_TEXTURE_3D);
    glBindTexture(GL_TEXTURE_3D, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopMatrix();
}
