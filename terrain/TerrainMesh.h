#pragma once
#include <cstdint>
#include <vector>

#include "terrain/HeightGrid.h"

// A run of indices in the shared index list: what one draw call draws.
struct IndexRange {
    int first;
    int count;
};

// The triangles of a chunk, cut into tiles so that what the camera cannot see is skipped, and
// drawn in each band of rows at one of a few row steps so that the distance costs fewer
// triangles. Every chunk of one grid size has the same triangles over different heights, so one
// mesh (and one index buffer) serves them all. Two triangles per cell, in columns 1 to
// verticesX - 2 (the outer columns have no normals) and every row.
class TerrainMesh {
public:
    static constexpr int kLevels = 4;         // row steps 1, 2, 4 and 8
    static constexpr int kTileColumns = 25;   // cells across a tile
    static constexpr int kBandRows = 16;      // cells along a band (a multiple of the largest step)

    TerrainMesh(int verticesX, int verticesZ);

    int getTilesX() const { return tilesX; }
    int getBands() const { return bands; }
    static int stepOf(int level) { return 1 << level; }
    // Vertex rows and columns a band or tile spans, both ends included.
    int bandFirstRow(int band) const { return band * kBandRows; }
    int bandLastRow(int band) const;
    int tileFirstColumn(int tile) const { return 1 + tile * kTileColumns; }
    int tileLastColumn(int tile) const;

    // Grid vertex indices (j * verticesX + i), three per triangle.
    const std::vector<uint16_t>& getIndices() const { return indices; }
    IndexRange range(int tile, int band, int level) const { return ranges[(band * tilesX + tile) * kLevels + level]; }
    // The texture coordinates of the grid's vertices: the grid indices over the vertex counts.
    const std::vector<TexCoord2>& getTexCoords() const { return texCoords; }
    int getVerticesX() const { return verticesX; }
    int getVerticesZ() const { return verticesZ; }

private:
    void appendCell(int i, int ja, int jb, std::vector<uint16_t>& out) const;

    int verticesX;
    int verticesZ;
    int tilesX;
    int bands;
    std::vector<uint16_t> indices;
    std::vector<IndexRange> ranges;
    std::vector<TexCoord2> texCoords;
};

// The grid's surface height at (x, z), measured in the grid's own units from its vertex (0, 0),
// on the two triangles TerrainMesh draws of the cell there at the full row step. A point off the
// drawn cells (and NaN) answers for the nearest point of their edge.
float surfaceHeight(const HeightGrid& grid, float x, float z);

// What the drawing needs to know of one chunk's heights: each tile's height range (for the view
// test) and, per band and row step, how far the coarser surface strays from the full one.
struct ChunkBounds {
    std::vector<float> minY, maxY;  // per tile, band-major
    // Per band and level: the largest height difference between the grid and the coarser
    // rows' interpolation.
    std::vector<float> heightError;
};
ChunkBounds computeChunkBounds(const TerrainMesh& mesh, const HeightGrid& grid);

// A rectangle on the ground plane (x0 <= x1, z0 <= z1).
struct GroundRect {
    float x0, z0, x1, z1;
};

// One chunk where it lies: its grid, its bounds, and the place of its vertex (0, 0) in x and z.
struct PlacedChunk {
    const HeightGrid* grid;
    const ChunkBounds* bounds;
    float x, z;
};

// The parts of a sea at height level over the rectangle sea that can show, into out: all of it
// but the tiles whose ground stands above the level all over, which hide the sea under them from
// an eye above the ground. Each band of a chunk gives the runs between such tiles; what no chunk
// covers is sea across.
void seaParts(const TerrainMesh& mesh, const std::vector<PlacedChunk>& chunks, float level, const GroundRect& sea,
              std::vector<GroundRect>& out);

// How one band of a chunk is drawn: its row step, and how far the rows that the next coarser
// step drops have moved onto that step's surface (0: on the grid, 1: on the coarser surface,
// where the next step looks the same). The move grows with the distance, so a band changes
// step without a visible jump.
struct BandDetail {
    int level = 0;
    float morph = 0.0f;
    bool operator==(const BandDetail& o) const { return level == o.level && morph == o.morph; }
    bool operator!=(const BandDetail& o) const { return !(*this == o); }
};

// The band's inner rows (bandFirstRow + 1 to bandLastRow - 1, row by row) as the detail
// draws them, in height and normal: of the rows its step keeps, those the next step drops moved
// by detail.morph towards the straight line between the rows that step keeps; every other row
// (those the step draws unmoved, and those it does not draw) as the grid has it.
void morphBand(const TerrainMesh& mesh, const HeightGrid& grid, int band, const BandDetail& detail,
               std::vector<float3>& vertices, std::vector<float3>& normals);

// How a pass looks at the terrain.
struct TerrainView {
    float clip[16];         // projection * model-view of the chunk, column-major as GL keeps it
    bool perspective;       // level of detail only in perspective views; others draw every row
    float pixelsPerUnit;    // screen pixels of one unit seen at distance 1 (0: every row)
    float maxPixelError;    // how far a coarser surface may stray on screen, in pixels
};

// The tiles of one chunk that the view can see, appended to out; adjacent ranges are merged.
// Each band is drawn at the coarsest row step whose error stays within the view's bounds, and
// past half of the way to the distance where the next step would do, its rows move towards
// that step (details, one per band, when given). A band uses one step across all its tiles,
// and the rows between bands are kept at every step, so neighbouring tiles always share their
// edges.
void selectTiles(const TerrainMesh& mesh, const HeightGrid& grid, const ChunkBounds& bounds, const TerrainView& view,
                 std::vector<IndexRange>& out, std::vector<BandDetail>* details = nullptr);
