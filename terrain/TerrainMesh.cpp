#include "terrain/TerrainMesh.h"

#include <algorithm>
#include <cmath>

namespace {

// The rows a band keeps at a step: its first row, every step-th one after it, and its last.
std::vector<int> keptRows(int first, int last, int step) {
    std::vector<int> rows;
    for (int j = first; j < last; j += step) rows.push_back(j);
    rows.push_back(last);
    return rows;
}

}  // namespace

TerrainMesh::TerrainMesh(int verticesX, int verticesZ)
    : verticesX(verticesX),
      verticesZ(verticesZ),
      tilesX((verticesX - 3 + kTileColumns - 1) / kTileColumns),
      bands((verticesZ - 1 + kBandRows - 1) / kBandRows) {
    ranges.assign(static_cast<size_t>(tilesX) * bands * kLevels, IndexRange{0, 0});
    // Band by band, and in a band level by level with its tiles side by side: neighbouring
    // visible tiles of one band are then one run of indices.
    for (int band = 0; band < bands; ++band)
        for (int level = 0; level < kLevels; ++level)
            for (int tile = 0; tile < tilesX; ++tile) {
                IndexRange& r = ranges[(band * tilesX + tile) * kLevels + level];
                r.first = static_cast<int>(indices.size());
                const std::vector<int> rows = keptRows(bandFirstRow(band), bandLastRow(band), stepOf(level));
                // Nearest rows (highest z, the camera looks towards -z) first: the depth test
                // then rejects most of what hills hide before it is shaded.
                for (size_t k = rows.size() - 1; k > 0; --k) {
                    const int ja = rows[k - 1], jb = rows[k];
                    for (int i = tileFirstColumn(tile); i < tileLastColumn(tile); ++i) appendCell(i, ja, jb, indices);
                }
                r.count = static_cast<int>(indices.size()) - r.first;
            }
    texCoords.resize(static_cast<size_t>(verticesX) * verticesZ);
    for (int j = 0; j < verticesZ; ++j)
        for (int i = 0; i < verticesX; ++i)
            texCoords[j * verticesX + i] =
                TexCoord2{static_cast<float>(i) / verticesX, static_cast<float>(j) / verticesZ};
}

// The same corners in the same order for a cell of the full grid at every step; surfaceHeight
// follows the same diagonal, from (i, ja) to (i + 1, jb).
void TerrainMesh::appendCell(int i, int ja, int jb, std::vector<uint16_t>& out) const {
    auto at = [&](int a, int b) { return static_cast<uint16_t>(b * verticesX + a); };
    out.insert(out.end(), {at(i, ja), at(i, jb), at(i + 1, jb), at(i + 1, jb), at(i + 1, ja), at(i, ja)});
}

float surfaceHeight(const HeightGrid& grid, float x, float z) {
    const int nx = grid.getVerticesX(), nz = grid.getVerticesZ();
    // In cells; the drawn ones are columns 1 to nx - 3 and rows 0 to nz - 2.
    float cx = x * (nx - 1) / grid.getSizeX(), cz = z * (nz - 1) / grid.getSizeZ();
    if (!(cx >= 1.0f)) cx = 1.0f;
    if (cx > nx - 2.0f) cx = nx - 2.0f;
    if (!(cz >= 0.0f)) cz = 0.0f;
    if (cz > nz - 1.0f) cz = nz - 1.0f;
    const int i = std::min(static_cast<int>(cx), nx - 3), j = std::min(static_cast<int>(cz), nz - 2);
    const float u = cx - i, v = cz - j;
    const float h00 = grid.getVertex(i, j).y, h01 = grid.getVertex(i, j + 1).y;
    const float h10 = grid.getVertex(i + 1, j).y, h11 = grid.getVertex(i + 1, j + 1).y;
    // (i, j), (i, j + 1), (i + 1, j + 1) on the (i, j + 1) side of the diagonal, the other
    // triangle on the (i + 1, j) side.
    return v >= u ? h00 + (h11 - h01) * u + (h01 - h00) * v : h00 + (h10 - h00) * u + (h11 - h10) * v;
}

int TerrainMesh::bandLastRow(int band) const { return std::min((band + 1) * kBandRows, verticesZ - 1); }

int TerrainMesh::tileLastColumn(int tile) const { return std::min(1 + (tile + 1) * kTileColumns, verticesX - 2); }

void seaParts(const TerrainMesh& mesh, const std::vector<PlacedChunk>& chunks, float level, const GroundRect& sea,
              std::vector<GroundRect>& out) {
    out.clear();
    if (!(sea.x1 > sea.x0 && sea.z1 > sea.z0)) return;
    struct Band {
        float z0, z1;
        const PlacedChunk* chunk;
        int band;
    };
    std::vector<Band> bands;
    for (const PlacedChunk& c : chunks)
        for (int band = 0; band < mesh.getBands(); ++band) {
            const float a = c.z + c.grid->getVertex(0, mesh.bandFirstRow(band)).z;
            const float b = c.z + c.grid->getVertex(0, mesh.bandLastRow(band)).z;
            bands.push_back(Band{std::min(a, b), std::max(a, b), &c, band});
        }
    std::sort(bands.begin(), bands.end(), [](const Band& a, const Band& b) { return a.z0 < b.z0; });

    const int tiles = mesh.getTilesX();
    float z = sea.z0;  // the sea up to here is given out
    for (const Band& band : bands) {
        const float lo = std::max(band.z0, z), hi = std::min(band.z1, sea.z1);
        if (!(hi > lo)) continue;
        if (lo > z) out.push_back(GroundRect{sea.x0, z, sea.x1, lo});
        const PlacedChunk& c = *band.chunk;
        float x = sea.x0;
        for (int tile = 0; tile < tiles; ++tile) {
            if (!(c.bounds->minY[band.band * tiles + tile] > level)) continue;
            const float a = std::max(c.x + c.grid->getVertex(mesh.tileFirstColumn(tile), 0).x, sea.x0);
            const float b = std::min(c.x + c.grid->getVertex(mesh.tileLastColumn(tile), 0).x, sea.x1);
            if (!(b > a)) continue;
            if (a > x) out.push_back(GroundRect{x, lo, a, hi});
            x = std::max(x, b);
        }
        if (sea.x1 > x) out.push_back(GroundRect{x, lo, sea.x1, hi});
        z = hi;
    }
    if (sea.z1 > z) out.push_back(GroundRect{sea.x0, z, sea.x1, sea.z1});
}

ChunkBounds computeChunkBounds(const TerrainMesh& mesh, const HeightGrid& grid) {
    ChunkBounds b;
    const int tiles = mesh.getTilesX(), bands = mesh.getBands();
    b.minY.assign(static_cast<size_t>(tiles) * bands, 0.0f);
    b.maxY.assign(b.minY.size(), 0.0f);
    b.heightError.assign(static_cast<size_t>(bands) * TerrainMesh::kLevels, 0.0f);
    for (int band = 0; band < bands; ++band) {
        const int r0 = mesh.bandFirstRow(band), r1 = mesh.bandLastRow(band);
        for (int tile = 0; tile < tiles; ++tile) {
            float lo = grid.getVertex(mesh.tileFirstColumn(tile), r0).y, hi = lo;
            for (int j = r0; j <= r1; ++j)
                for (int i = mesh.tileFirstColumn(tile); i <= mesh.tileLastColumn(tile); ++i) {
                    lo = std::min(lo, grid.getVertex(i, j).y);
                    hi = std::max(hi, grid.getVertex(i, j).y);
                }
            b.minY[band * tiles + tile] = lo;
            b.maxY[band * tiles + tile] = hi;
        }
        const int c0 = mesh.tileFirstColumn(0), c1 = mesh.tileLastColumn(tiles - 1);
        for (int level = 1; level < TerrainMesh::kLevels; ++level) {
            const std::vector<int> rows = keptRows(r0, r1, TerrainMesh::stepOf(level));
            float dh = 0;
            for (size_t k = 0; k + 1 < rows.size(); ++k) {
                const int ja = rows[k], jb = rows[k + 1];
                for (int j = ja + 1; j < jb; ++j) {
                    const float t = static_cast<float>(j - ja) / (jb - ja);
                    for (int i = c0; i <= c1; ++i) {
                        const float ha = grid.getVertex(i, ja).y, hb = grid.getVertex(i, jb).y;
                        dh = std::max(dh, std::fabs(grid.getVertex(i, j).y - (ha + (hb - ha) * t)));
                    }
                }
            }
            // A coarser step is never better than a finer one: the error only grows with the level.
            b.heightError[band * TerrainMesh::kLevels + level] =
                std::max(dh, b.heightError[band * TerrainMesh::kLevels + level - 1]);
        }
    }
    return b;
}

namespace {

struct Box {
    float x0, x1, y0, y1, z0, z1;
};

// Clip-space corners of a box; true when all lie outside one plane of the view volume.
bool outside(const float* m, const Box& box, float* minW) {
    int out[6] = {0, 0, 0, 0, 0, 0};
    float lowest = 1e30f;
    for (int c = 0; c < 8; ++c) {
        const float x = c & 1 ? box.x1 : box.x0, y = c & 2 ? box.y1 : box.y0, z = c & 4 ? box.z1 : box.z0;
        const float cx = m[0] * x + m[4] * y + m[8] * z + m[12];
        const float cy = m[1] * x + m[5] * y + m[9] * z + m[13];
        const float cz = m[2] * x + m[6] * y + m[10] * z + m[14];
        const float cw = m[3] * x + m[7] * y + m[11] * z + m[15];
        out[0] += cx < -cw;
        out[1] += cx > cw;
        out[2] += cy < -cw;
        out[3] += cy > cw;
        out[4] += cz < -cw;
        out[5] += cz > cw;
        lowest = std::min(lowest, cw);
    }
    if (minW) *minW = lowest;
    for (int p = 0; p < 6; ++p)
        if (out[p] == 8) return true;
    return false;
}

}  // namespace

namespace {

float3 mix3(const float3& a, const float3& b, float t) {
    return float3{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

}  // namespace

void morphBand(const TerrainMesh& mesh, const HeightGrid& grid, int band, const BandDetail& detail,
               std::vector<float3>& vertices, std::vector<float3>& normals) {
    const int r0 = mesh.bandFirstRow(band), r1 = mesh.bandLastRow(band), n = mesh.getVerticesX();
    vertices.resize(static_cast<size_t>(std::max(r1 - r0 - 1, 0)) * n);
    normals.resize(vertices.size());
    const int step = TerrainMesh::stepOf(detail.level);
    const bool moving = detail.morph > 0.0f && detail.level + 1 < TerrainMesh::kLevels;
    const int nextStep = 2 * step;
    for (int j = r0 + 1; j < r1; ++j) {
        // Of the rows the step keeps, those the next step drops slide towards the straight line
        // between the ones it keeps; every other row stays as the grid has it.
        const int ja = r0 + (j - r0) / nextStep * nextStep, jb = std::min(ja + nextStep, r1);
        const bool slides = moving && (j - r0) % step == 0 && j != ja;
        const float t = static_cast<float>(j - ja) / (jb - ja);
        for (int i = 0; i < n; ++i) {
            float3 v = grid.getVertex(i, j), nm = grid.getNormal(i, j);
            if (slides) {
                const float3 va = grid.getVertex(i, ja), vb = grid.getVertex(i, jb);
                v.y += (va.y + (vb.y - va.y) * t - v.y) * detail.morph;
                nm = mix3(nm, mix3(grid.getNormal(i, ja), grid.getNormal(i, jb), t), detail.morph);
            }
            vertices[static_cast<size_t>(j - r0 - 1) * n + i] = v;
            normals[static_cast<size_t>(j - r0 - 1) * n + i] = nm;
        }
    }
}

void selectTiles(const TerrainMesh& mesh, const HeightGrid& grid, const ChunkBounds& bounds, const TerrainView& view,
                 std::vector<IndexRange>& out, std::vector<BandDetail>* details) {
    const int tiles = mesh.getTilesX();
    if (details) details->assign(mesh.getBands(), BandDetail{});
    std::vector<bool> visible(tiles);
    // Near bands first, as the rows inside a tile.
    for (int band = mesh.getBands() - 1; band >= 0; --band) {
        const int r0 = mesh.bandFirstRow(band), r1 = mesh.bandLastRow(band);
        const float z0 = grid.getVertex(0, r0).z, z1 = grid.getVertex(0, r1).z;
        bool any = false;
        float bandLo = 1e30f, bandHi = -1e30f;
        for (int tile = 0; tile < tiles; ++tile) {
            const Box box{grid.getVertex(mesh.tileFirstColumn(tile), 0).x, grid.getVertex(mesh.tileLastColumn(tile), 0).x,
                          bounds.minY[band * tiles + tile], bounds.maxY[band * tiles + tile], z0, z1};
            visible[tile] = !outside(view.clip, box, nullptr);
            any = any || visible[tile];
            bandLo = std::min(bandLo, box.y0);
            bandHi = std::max(bandHi, box.y1);
        }
        if (!any) continue;

        BandDetail detail;
        if (view.perspective && view.pixelsPerUnit > 0) {
            float nearest = 0;
            const Box whole{grid.getVertex(mesh.tileFirstColumn(0), 0).x,
                            grid.getVertex(mesh.tileLastColumn(tiles - 1), 0).x, bandLo, bandHi, z0, z1};
            outside(view.clip, whole, &nearest);
            // The distance from which each step's error on screen stays within the bound (the
            // error shrinks with the distance), a quarter farther at least than the finer step's:
            // every step then has a stretch of its own to move towards the next.
            float from[TerrainMesh::kLevels] = {0};
            for (int level = 1; level < TerrainMesh::kLevels; ++level)
                from[level] = std::max(bounds.heightError[band * TerrainMesh::kLevels + level] * view.pixelsPerUnit /
                                           view.maxPixelError,
                                       1.25f * from[level - 1]);
            // A band reaching to the eye's plane is seen from up close: every row.
            if (nearest > 0.05f) {
                while (detail.level + 1 < TerrainMesh::kLevels && from[detail.level + 1] <= nearest) ++detail.level;
                if (detail.level + 1 < TerrainMesh::kLevels) {
                    const float a = from[detail.level], b = from[detail.level + 1];
                    if (b > a) detail.morph = std::min(std::max(2.0f * (nearest - a) / (b - a) - 1.0f, 0.0f), 1.0f);
                }
            }
        }
        if (details) (*details)[band] = detail;
        const int level = detail.level;
        for (int tile = 0; tile < tiles; ++tile) {
            if (!visible[tile]) continue;
            const IndexRange r = mesh.range(tile, band, level);
            if (!out.empty() && out.back().first + out.back().count == r.first)
                out.back().count += r.count;
            else
                out.push_back(r);
        }
    }
}
