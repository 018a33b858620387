#include "terrain/Terrain.h"

#include "terrain/TerrainShader.h"
#include "terrain/TerrainStrip.h"

namespace {

// How far a coarser band may stray on screen from the full grid, in pixels. Its rows slide
// there over a stretch of the way, so no step change jumps. Four pixels of the far hills, where
// rows are under a pixel apart, do not show beside the grid (compared frame by frame), and
// they halve the ground's triangles: a software rasteriser pays for each thin one.
constexpr float kMaxPixelError = 4.0f;

// a * b for column-major 4 x 4 matrices.
void multiply(const float* a, const float* b, float* out) {
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            out[c * 4 + r] = a[r] * b[c * 4] + a[4 + r] * b[c * 4 + 1] + a[8 + r] * b[c * 4 + 2] + a[12 + r] * b[c * 4 + 3];
}

}  // namespace

Terrain::Terrain(int chunkSizeX, int chunkSizeZ, int verticesX, int verticesZ, const TerrainTextures& textures)
    : shader(nullptr),
      mesh(verticesX, verticesZ),
      indexBuffer(0),
      texCoordBuffer(0),
      lastIndexCount(0),
      position{0, 0, 0},
      chunkSizeX(chunkSizeX),
      chunkSizeZ(chunkSizeZ),
      verticesX(verticesX),
      verticesZ(verticesZ),
      textures(textures) {
    glGenBuffersARB(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(mesh.getIndices().size() * sizeof(uint16_t)),
                    mesh.getIndices().data(), GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glGenBuffersARB(1, &texCoordBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, texCoordBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER, static_cast<GLsizeiptrARB>(mesh.getTexCoords().size() * sizeof(TexCoord2)),
                    mesh.getTexCoords().data(), GL_STATIC_DRAW_ARB);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    shader = new TerrainShader();
}

Terrain::~Terrain() {
    for (TerrainChunk* chunk : chunks) delete chunk;
    chunks.clear();
    const GLuint buffers[2] = {indexBuffer, texCoordBuffer};
    glDeleteBuffersARB(2, buffers);
    // A new terrain is built for every game; keeping the old program would leak one per game.
    delete shader;
}

void Terrain::sync(const TerrainStrip& strip) {
    position = strip.getPosition();
    const std::vector<StripChunk>& wanted = strip.getChunks();
    bool same = wanted.size() == chunks.size();
    for (size_t i = 0; same && i < wanted.size(); ++i) same = chunks[i]->getSerial() == wanted[i].serial;
    if (same) return;
    // Keep the uploads the strip still has, in its order; upload the rest.
    std::vector<TerrainChunk*> kept;
    for (const StripChunk& want : wanted) {
        TerrainChunk* found = nullptr;
        for (TerrainChunk*& have : chunks)
            if (have && have->getSerial() == want.serial) std::swap(found, have);
        if (!found) {
            found = new TerrainChunk(want.grid, want.z, want.serial, textures);
            found->upload(mesh);
        }
        kept.push_back(found);
    }
    for (TerrainChunk* gone : chunks) delete gone;
    chunks.swap(kept);
}

// The view as GL has it now, the terrain's own offset applied.
TerrainView Terrain::viewOf() const {
    float modelView[16], projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    TerrainView view{};
    multiply(projection, modelView, view.clip);
    // A perspective projection has (0, 0, -1, 0) as its last row; an orthographic one does not.
    view.perspective = projection[15] == 0.0f;
    view.pixelsPerUnit = projection[5] * viewport[3] * 0.5f;
    view.maxPixelError = kMaxPixelError;
    return view;
}

void Terrain::draw(bool useShader, bool withFog, int mode, const TerrainFrame& frame) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    if (useShader) shader->prepare(withFog, mode, frame.playing, frame.waterLevel);
    const TerrainView base = viewOf();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    lastIndexCount = 0;
    for (TerrainChunk* chunk : chunks) {
        TerrainView view = base;
        const float3 p = chunk->getPosition();
        for (int r = 0; r < 4; ++r)
            view.clip[12 + r] += base.clip[r] * p.x + base.clip[4 + r] * p.y + base.clip[8 + r] * p.z;
        runs.clear();
        selectTiles(mesh, chunk->getGrid(), chunk->getBounds(), view, runs, &details);
        chunk->applyDetails(mesh, details);
        for (const IndexRange& run : runs) lastIndexCount += run.count;
        chunk->draw(mode, texCoordBuffer, runs);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (useShader) shader->deactivate();
    glPopMatrix();
}

