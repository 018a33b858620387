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
#include "effects/EffectContext.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "platform/Random.h"
#include "terrain/HeightGenerator.h"
#include "terrain/HeightGrid.h"
#include "terrain/HeightQuery.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainStrip.h"

namespace {

// The ground of a flight: its strip, the terrain's buffers, the height query, the two cameras.
struct Bench {
    Logger logger;
    TextureLoader loader;
    Random random{1};
    TerrainStrip strip;
    Terrain* terrain = nullptr;
    TerrainHeightQuery query;
    Camera chase, topDown;
};
Bench* bench = nullptr;

void BM_GenerateChunk(benchmark::State& state) {
    float eye = 0.0f;
    for (auto _ : state) {
        // The nearest chunk dropped, a new one generated (heights, normals) and uploaded.
        bench->strip.recycle(eye -= 20.0f, bench->random);
        bench->terrain->sync(bench->strip);
        glFinish();
    }
}

// Heights and normals of a chunk joining a neighbour, with no GL work at all.
void BM_GenerateChunkOnCpu(benchmark::State& state) {
    Random random(1);
    HeightGrid neighbour(50, 20, 128, 128);
    generateChunkGrid(neighbour, nullptr, random);
    for (auto _ : state) {
        auto grid = std::make_unique<HeightGrid>(50, 20, 128, 128);
        generateChunkGrid(*grid, &neighbour, random);
        benchmark::DoNotOptimize(grid->getNormals().data());
        state.PauseTiming();  // freeing it, like dropping a chunk, is not part of making one
        grid.reset();
        state.ResumeTiming();
    }
}

void drawTerrainFrame() {
    glViewport(0, 0, 800, 600);
    glClearColor(0.45f, 0.62f, 0.85f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 800.0 / 600.0, 0.1, 30);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    bench->chase.apply();
    bench->terrain->draw(true, false, Untextured, TerrainFrame{true, -0.7f});
}

void BM_TerrainFrame(benchmark::State& state) {
    for (auto _ : state) {
        drawTerrainFrame();
        glFinish();
    }
}

// Twenty objects and the sign: the points a step asks the ground for.
std::vector<float> groundPoints() {
    std::vector<float> positions;
    for (int k = 0; k < 20; ++k) {
        positions.push_back(-7.5f + 0.75f * k);
        positions.push_back(-1.25f - 1.4f * k);
    }
    positions.insert(positions.end(), {-6.0f, -25.0f});
    return positions;
}

// One ground query as the flight's step makes it: the position pass under the points, the
// heights read back.
void groundQuery(const std::vector<float>& points, std::vector<float>& heights) {
    const std::vector<float> inside = TerrainHeightQuery::insideArea(bench->topDown, points);
    bench->query.renderPositions(bench->topDown, [&](bool, bool, int) { bench->terrain->drawAround(inside); });
    bench->query.groundHeights(bench->topDown, points, heights);
}

void BM_GroundQuery(benchmark::State& state) {
    const std::vector<float> points = groundPoints();
    std::vector<float> heights;
    for (auto _ : state) {
        groundQuery(points, heights);
        glFinish();
    }
    benchmark::DoNotOptimize(heights.data());
}

void BM_TerrainFrameWithQuery(benchmark::State& state) {
    const std::vector<float> points = groundPoints();
    std::vector<float> heights;
    for (auto _ : state) {
        groundQuery(points, heights);
        drawTerrainFrame();
        glFinish();
    }
    benchmark::DoNotOptimize(heights.data());
}

}  // namespace

int main(int argc, char** argv) {
    if (!openBenchWindow(&argc, argv, "Lumivex terrain bench")) return 2;

    // Start-up of what the terrain needs, with the console chatter out of the table.
    std::fflush(stdout);
    const int savedStdout = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 1);
    bench = new Bench();
    effectContext().logger = &bench->logger;
    effectContext().playing = true;
    bench->query.createTargets(&bench->logger, &bench->loader, TerrainHeightQuery::kPositionWidth,
                               TerrainHeightQuery::kPositionHeight);
    bench->chase.set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    bench->topDown.set(0, 5, -1.25f, 0, 0, -1.25f, 0, 0, -1);
    bench->strip.reset(bench->random);
    bench->terrain = new Terrain(50, 20, 128, 128, TerrainTextures{});
    bench->terrain->sync(bench->strip);
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
                            std::pair{"frame/ground-query", BM_GroundQuery},
                            std::pair{"frame/terrain+ground-query", BM_TerrainFrameWithQuery}})
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
        for (const char* name : {"frame/ground-query", "frame/terrain+ground-query"}) {
            const double m = v(name, "median");
            std::printf("  %-40s median %8.3f ms  x%.2f of the baseline\n", name, m, m / base);
        }
    }
    return 0;
}
