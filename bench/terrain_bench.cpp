// Terrain costs: generating one chunk on the CPU alone and with its upload, and the per-frame
// height query (the position pass plus the two queries of a playing frame) against a frame
// that only draws the terrain. Run from build/game: ../bench/bench_terrain_bench
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/Game.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "terrain/HeightGenerator.h"
#include "terrain/HeightGrid.h"
#include "terrain/Terrain.h"

namespace {

Terrain* benchTerrain = nullptr;

void BM_GenerateChunk(benchmark::State& state) {
    for (auto _ : state) {
        benchTerrain->addChunk();  // generation, normals, mesh and the three uploads
        glFinish();
        state.PauseTiming();
        // Keep three chunks, as in play.
        TerrainChunk* nearest = benchTerrain->getChunks().front();
        const_cast<std::vector<TerrainChunk*>&>(benchTerrain->getChunks()).erase(
            benchTerrain->getChunks().begin());
        delete nearest;
        state.ResumeTiming();
    }
}

// Heights and normals of a chunk joining a neighbour, with no GL work at all.
void BM_GenerateChunkOnCpu(benchmark::State& state) {
    std::srand(1);
    HeightGrid neighbour(50, 20, 128, 128);
    generateChunkGrid(neighbour, nullptr);
    for (auto _ : state) {
        auto grid = std::make_unique<HeightGrid>(50, 20, 128, 128);
        generateChunkGrid(*grid, &neighbour);
        benchmark::DoNotOptimize(grid->getNormals().data());
        state.PauseTiming();  // freeing it, like dropping a chunk, is not part of making one
        grid.reset();
        state.ResumeTiming();
    }
}

void drawTerrainFrame(Game& game) {
    glViewport(0, 0, 800, 600);
    glClearColor(0.45f, 0.62f, 0.85f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 800.0 / 600.0, 0.1, 30);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    game.getChaseCamera().apply();
    game.getWorld().drawTerrain(true, false, Untextured);
}

void BM_TerrainFrame(benchmark::State& state) {
    Game& game = Game::instance();
    for (auto _ : state) {
        drawTerrainFrame(game);
        glFinish();
    }
}

std::vector<float> objectPositions() {
    std::vector<float> positions;
    for (int k = 0; k < 20; ++k) {
        positions.push_back(-7.5f + 0.75f * k);
        positions.push_back(-1.25f - 1.4f * k);
    }
    return positions;
}

void BM_HeightQueryPasses(benchmark::State& state) {
    Game& game = Game::instance();
    const std::vector<float> objects = objectPositions();
    const std::vector<float> sign = {-6.0f, -25.0f};
    float heights[512];
    for (auto _ : state) {
        game.renderTerrainPositions();
        game.computeTerrainHeightAt(objects, heights);
        game.computeTerrainHeightAt(sign, heights);
        glFinish();
    }
    benchmark::DoNotOptimize(heights[0]);
}

void BM_TerrainFrameWithQuery(benchmark::State& state) {
    Game& game = Game::instance();
    const std::vector<float> objects = objectPositions();
    const std::vector<float> sign = {-6.0f, -25.0f};
    float heights[512];
    for (auto _ : state) {
        game.renderTerrainPositions();
        game.computeTerrainHeightAt(objects, heights);
        game.computeTerrainHeightAt(sign, heights);
        drawTerrainFrame(game);
        glFinish();
    }
    benchmark::DoNotOptimize(heights[0]);
}

}  // namespace

int main(int argc, char** argv) {
    if (!openBenchWindow(&argc, argv, "Lumivex terrain bench")) return 2;

    // Start-up of what the terrain needs, with the console chatter out of the table.
    std::fflush(stdout);
    const int savedStdout = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 1);
    Game& game = Game::instance();
    game.getConfig().logger = new Logger();
    game.getConfig().textureLoader = new TextureLoader();
    game.createHeightQueryTargets();
    game.state = Playing;
    game.getChaseCamera().set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    game.getTopDownCamera().set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);
    std::srand(1);
    game.getWorld().reset();
    benchTerrain = new Terrain(50, 20, 128, 128, TerrainTextures{});
    std::fflush(stdout);
    if (savedStdout >= 0) dup2(savedStdout, 1);
    if (devNull >= 0) close(devNull);

    auto maxOf = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); };
    for (auto [name, fn] : {std::pair{"chunk/generate-on-cpu", BM_GenerateChunkOnCpu},
                            std::pair{"chunk/generate+upload", BM_GenerateChunk}})
        benchmark::RegisterBenchmark(name, fn)
            ->Iterations(1)
            ->Repetitions(50)
            ->ComputeStatistics("max", maxOf)
            ->ReportAggregatesOnly(true)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    for (auto [name, fn] : {std::pair{"frame/terrain-only", BM_TerrainFrame},
                            std::pair{"frame/position-pass+2-queries", BM_HeightQueryPasses},
                            std::pair{"frame/terrain+position-pass+2-queries", BM_TerrainFrameWithQuery}})
        benchmark::RegisterBenchmark(name, fn)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    AggregateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto v = [&](const std::string& name, const char* aggregate) {
        const AggregateRun* run = reporter.find(name, aggregate);
        return run ? run->real : 0.0;
    };
    std::printf("\nChunk generation on the CPU over 50 chunks: median %.3f ms, max %.3f ms\n",
                v("chunk/generate-on-cpu", "median"), v("chunk/generate-on-cpu", "max"));
    std::printf("Chunk generation + upload over 50 chunks: median %.3f ms, max %.3f ms (target median < 5 ms)\n",
                v("chunk/generate+upload", "median"), v("chunk/generate+upload", "max"));
    const double base = v("frame/terrain-only", "median");
    if (base > 0) {
        std::printf("Baseline: terrain-only frame, median %.3f ms\n", base);
        for (const char* name : {"frame/position-pass+2-queries", "frame/terrain+position-pass+2-queries"}) {
            const double m = v(name, "median");
            std::printf("  %-40s median %8.3f ms  x%.2f of the baseline\n", name, m, m / base);
        }
    }
    delete benchTerrain;
    return 0;
}
