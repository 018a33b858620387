#include "terrain/TerrainChunk.h"

#include "framework/ScreenPass.h"
#include "framework/Texture.h"

TerrainChunk::TerrainChunk(int sizeX, int sizeZ, int verticesX, int verticesZ, const TerrainTextures& textures)
    : position{0, 0, 0},
      positionBuffer(0),
      normalBuffer(0),
      texCoordBuffer(0),
      vertexCount(0),
      grid(sizeX, sizeZ, verticesX, verticesZ),
      textures(textures) {
    glGenBuffersARB(1, &positionBuffer);
    glGenBuffersARB(1, &normalBuffer);
    glGenBuffersARB(1, &texCoordBuffer);
}

TerrainChunk::~TerrainChunk() {
    const GLuint buffers[3] = {positionBuffer, normalBuffer, texCoordBuffer};
    glDeleteBuffersARB(3, buffers);
}

void TerrainChunk::upload() {
    const int n = grid.getMeshVertexCount();
    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 12, grid.getMeshPositions().data(),
                    GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 12, grid.getMeshNormals().data(),
                    GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 8, grid.getMeshTexCoords().data(),
                    GL_STATIC_DRAW_ARB);
    vertexCount = n;
}

Texture* TerrainChunk::textureFor(int mode) const {
    switch (mode) {
        case Winter: return textures.winter;
        case Desert: return textures.desert;
        case Beach: return textures.beach;
        default: return nullptr;
    }
}

void TerrainChunk::draw(int mode) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);

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

    glDrawArrays(GL_TRIANGLES, 0, vertexCount);

    disable2DTexturing(2);
    glActiveTextureARB(GL_TEXTURE3_ARB);
    glDisable(GL_TEXTURE_3D);
    glBindTexture(GL_TEXTURE_3D, 0);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glPopMatrix();
}
