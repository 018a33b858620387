#include "terrain/TerrainChunk.h"

#include <cmath>

#include "core/Game.h"
#include "framework/ScreenPass.h"
#include "framework/Texture.h"

namespace {

float3 sub(const float3& a, const float3& b) { return float3{a.x - b.x, a.y - b.y, a.z - b.z}; }

float3 cross(const float3& a, const float3& b) {
    return float3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

void accumulate(float3& sum, const float3& v) {
    sum.x += v.x;
    sum.y += v.y;
    sum.z += v.z;
}

// On a height field the summed products always point upwards, so the length is never zero;
// the guard only keeps a degenerate grid from producing NaNs.
float3 normalised(const float3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) return v;
    return float3{v.x / length, v.y / length, v.z / length};
}

}  // namespace

TerrainChunk::TerrainChunk(int sizeX, int sizeZ, int verticesX, int verticesZ)
    : position{0, 0, 0},
      positionBuffer(0),
      normalBuffer(0),
      texCoordBuffer(0),
      vertexCount(0),
      sizeX(sizeX),
      sizeZ(sizeZ),
      verticesX(verticesX),
      verticesZ(verticesZ),
      beachTexture(nullptr),
      winterTexture(nullptr),
      desertTexture(nullptr) {
    const size_t gridSize = static_cast<size_t>(verticesX) * verticesZ;
    gridNormals.assign(gridSize, float3{0, 0, 0});
    gridVertices.resize(gridSize);
    for (int j = 0; j < verticesZ; ++j) {
        for (int i = 0; i < verticesX; ++i) {
            gridVertices[index(i, j)] = float3{static_cast<float>(i * sizeX / (verticesX - 1.0)), 0.0f,
                                               static_cast<float>(j * sizeZ / (verticesZ - 1.0))};
        }
    }
    glGenBuffersARB(1, &positionBuffer);
    glGenBuffersARB(1, &normalBuffer);
    glGenBuffersARB(1, &texCoordBuffer);
    vertexCount = verticesX * verticesZ * 6;
    meshPositions.assign(vertexCount, float3{0, 0, 0});
    meshNormals.assign(vertexCount, float3{0, 0, 0});
    meshTexCoords.assign(vertexCount, TexCoord2{0, 0});
    ResourceCache& cache = Game::instance().getResourceCache();
    beachTexture = cache.getTexture("3dterrain4RGB.dds", GL_TEXTURE_3D);
    winterTexture = cache.getTexture("3dTexWinter.dds", GL_TEXTURE_3D);
    desertTexture = cache.getTexture("3dTexDesert.dds", GL_TEXTURE_3D);
}

TerrainChunk::~TerrainChunk() {
    const GLuint buffers[3] = {positionBuffer, normalBuffer, texCoordBuffer};
    glDeleteBuffersARB(3, buffers);
}

void TerrainChunk::setHeightIfUnset(int i, int j, float height) {
    float3& v = gridVertices[index(i, j)];
    if (v.y == 0.0f) v.y = height;
}

void TerrainChunk::computeNormals() {
    // Row 0: only the three triangles towards row 1 exist inside this chunk.
    for (int i = 1; i <= verticesX - 2; ++i) {
        const float3 p = getVertex(i, 0);
        const float3 left = sub(getVertex(i - 1, 0), p);
        const float3 leftUp = sub(getVertex(i - 1, 1), p);
        const float3 up = sub(getVertex(i, 1), p);
        const float3 right = sub(getVertex(i + 1, 0), p);
        float3 sum{0, 0, 0};
        accumulate(sum, cross(left, leftUp));
        accumulate(sum, cross(leftUp, up));
        accumulate(sum, cross(up, right));
        setNormal(i, 0, normalised(sum));
    }
    for (int i = 1; i <= verticesX - 2; ++i) {
        for (int j = 1; j <= verticesZ - 2; ++j) {
            const float3 p = getVertex(i, j);
            const float3 a = sub(getVertex(i, j - 1), p);
            const float3 b = sub(getVertex(i - 1, j), p);
            const float3 c = sub(getVertex(i - 1, j + 1), p);
            const float3 d = sub(getVertex(i, j + 1), p);
            const float3 e = sub(getVertex(i + 1, j), p);
            const float3 f = sub(getVertex(i + 1, j - 1), p);
            float3 sum{0, 0, 0};
            accumulate(sum, cross(a, b));
            accumulate(sum, cross(b, c));
            accumulate(sum, cross(c, d));
            accumulate(sum, cross(d, e));
            accumulate(sum, cross(e, f));
            accumulate(sum, cross(f, a));
            setNormal(i, j, normalised(sum));
        }
    }
    // Columns 0 and verticesX - 1 keep zero normals; the last row keeps the copied seam.
}

void TerrainChunk::buildBuffers() {
    int n = 0;
    auto emit = [&](int a, int b) {
        meshNormals[n] = getNormal(a, b);
        meshTexCoords[n] = TexCoord2{static_cast<float>(a) / verticesX, static_cast<float>(b) / verticesZ};
        meshPositions[n] = getVertex(a, b);
        ++n;
    };
    for (int j = 0; j <= verticesZ - 2; ++j) {
        for (int i = 1; i <= verticesX - 3; ++i) {
            emit(i, j);
            emit(i, j + 1);
            emit(i + 1, j + 1);
            emit(i + 1, j + 1);
            emit(i + 1, j);
            emit(i, j);
        }
    }
    vertexCount = n;

    glBindBuffer(GL_ARRAY_BUFFER, positionBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 12, meshPositions.data(), GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 12, meshNormals.data(), GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(n) * 8, meshTexCoords.data(), GL_STATIC_DRAW_ARB);
}

Texture* TerrainChunk::textureFor(int mode) const {
    switch (mode) {
        case Winter: return winterTexture;
        case Desert: return desertTexture;
        case Beach: return beachTexture;
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
