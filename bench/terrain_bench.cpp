// Terrain costs: generating one chunk on the CPU alone and with its upload, a frame that only
// draws the terrain, and the ground under a step's objects. Run from build/game:
// ../bench/bench_terrain_bench
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
#include "platform/Random.h"
#include "terrain/HeightGenerator.h"
#include "terrain/HeightGrid.h"
#include "terrain/Terrain.h"
#include "terrain/TerrainStrip.h"

namespace {

// The ground of a flight: its strip, the terrain's buffers, the chase camera.
struct Bench {
    Logger logger;
    Random random{1};
    TerrainStrip strip;
    Terrain* terrain = nullptr;
    Camera chase;
};
Bench* bench = nullptr;

void BM_GenerateChunk(benchmark::State& state) {
    // Each repetition from a new strip, as a flight starts (a strip left where the one before
    // had moved it would not move on, and the frames after this one would see no ground).
    bench->strip.reset(bench->random);
    bench->terrain->sync(bench->strip);
    float eye = 0.0f;
    for (auto _ : state) {
        // The nearest chunk dropped, a new one generated (heights, normals) and uploaded.
        if (!bench->strip.recycle(eye -= 20.0f, bench->random)) state.SkipWithError("the strip did not move on");
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

// The ground under them as a step asks for it.
void BM_GroundHeights(benchmark::State& state) {
    const std::vector<float> points = groundPoints();
    std::vector<float> heights;
    for (auto _ : state) {
        bench->strip.heightsAt(points, heights);
        benchmark::DoNotOptimize(heights.data());
    }
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
    bench->chase.set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
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
    benchmark::RegisterBenchmark("frame/terrain-only", BM_TerrainFrame)
        ->Repetitions(7)
        ->ReportAggregatesOnly(true)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ground/heights", BM_GroundHeights)
        ->Repetitions(7)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);

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
    std::printf("Terrain-only frame: median %.3f ms\n", v("frame/terrain-only", "median"));
    std::printf("The ground under twenty objects and the sign: median %.2f us\n", v("ground/heights", "median"));
    return 0;
}
