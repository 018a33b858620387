// Cost of confirming a high-score entry (table file + rendered picture) and of re-rendering
// the in-game score panel, each against a baseline of the unavoidable image work measured in
// the same run. Run from build/game (or anywhere: it works in its own temporary folder).
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <IL/il.h>
#include <IL/ilu.h>
#include <benchmark/benchmark.h>
#include <gd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "BenchSupport.h"
#include "framework/Texture.h"
#include "highscore/HighscorePicture.h"
#include "highscore/HighscoreStore.h"
#include "highscore/ScorePanel.h"
#include "support/GlHarness.h"

namespace {

const char* kMasterTable = "master.txt";
constexpr int kTableSize = 1000;

std::string fileBytes(const char* path) { return harness::readFileText(path); }

// Entry confirmation with a table of 1000 entries: rank, name, commit (file + picture).
void BM_CommitAndRender1000(benchmark::State& state) {
    const std::string master = fileBytes(kMasterTable);
    HighscoreTable table;
    const HighscoreStore store;
    int score = 0;
    for (auto _ : state) {
        state.PauseTiming();
        harness::writeFileText("highscore.txt", master);
        store.load(table);
        table.computeRank(score);
        table.appendToName("Bench");
        score = (score + 7919) % (kTableSize * 10);
        state.ResumeTiming();
        HighscorePicture::commitAndRender(table, store);
    }
}

// Baseline: what any table picture costs: decode the background, encode and write the PNG.
void BM_BaselineBackgroundToPng(benchmark::State& state) {
    for (auto _ : state) {
        const std::string jpeg = fileBytes("Textures/highscore.jpg");
        gdImagePtr canvas = gdImageCreateFromJpegPtr(static_cast<int>(jpeg.size()), const_cast<char*>(jpeg.data()));
        int size = 0;
        void* png = gdImagePngPtr(canvas, &size);
        FILE* file = std::fopen("Textures/baseline.png", "wb");
        std::fwrite(png, 1, static_cast<std::size_t>(size), file);
        std::fclose(file);
        gdFree(png);
        gdImageDestroy(canvas);
    }
}

// One panel re-render as the frame update makes it: the score changed, same render style.
void BM_UpdateScoreImage(benchmark::State& state) {
    ScorePanel panel;
    int score = 0;
    for (auto _ : state) {
        score += 15;
        panel.updateScoreImage(score, false, "Phong Shader + SSAO");
    }
    benchmark::DoNotOptimize(panel.getScoreTexture());
}

// The same on every render-style change: a new title as well.
void BM_UpdateScoreImageNewTitle(benchmark::State& state) {
    ScorePanel panel;
    int score = 0;
    for (auto _ : state) {
        const char* title = (score / 15) % 2 ? "Phong Shader + SSAO" : "Toon Shader";
        score += 15;
        panel.updateScoreImage(score, true, title);
    }
    benchmark::DoNotOptimize(panel.getScoreTexture());
}

// Baseline: encode a blank 400 x 100 panel and turn it into a texture, without any text.
void BM_BaselineBlankPanelTexture(benchmark::State& state) {
    gdImagePtr panel = gdImageCreateTrueColor(400, 100);
    gdImageSaveAlpha(panel, 1);
    gdImageAlphaBlending(panel, 0);
    gdImageFilledRectangle(panel, 0, 0, 400, 100, 0x7f000000);
    TextureLoader loader;
    for (auto _ : state) {
        int size = 0;
        void* png = gdImagePngPtr(panel, &size);
        Texture* texture = loader.loadTextureFromMemory(IL_PNG, png, static_cast<unsigned int>(size), GL_TEXTURE_2D);
        gdFree(png);
        delete texture;
    }
    gdImageDestroy(panel);
}

BENCHMARK(BM_CommitAndRender1000)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_BaselineBackgroundToPng)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_UpdateScoreImage)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_UpdateScoreImageNewTitle)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_BaselineBlankPanelTexture)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// Prints the usual table and keeps the medians for the ratios.
bool prepareFolder() {
    const std::string dir = harness::makeTempDir("lumivex-hs-bench");
    if (dir.empty() || chdir(dir.c_str()) != 0 || mkdir("Textures", 0755) != 0) return false;

    gdImagePtr background = gdImageCreateTrueColor(800, 600);
    for (int y = 0; y < 600; ++y)  // a gradient, so the JPEG is not trivially small
        gdImageLine(background, 0, y, 799, y, gdTrueColor(20 + y / 10, 40 + y / 8, 90 + y / 5));
    int size = 0;
    void* jpeg = gdImageJpegPtr(background, &size, 90);
    gdImageDestroy(background);
    harness::writeFileText("Textures/highscore.jpg", std::string(static_cast<char*>(jpeg), size));
    gdFree(jpeg);

    const std::string font = harness::readFileText("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    if (font.empty()) return false;
    harness::writeFileText("Faktos.ttf", font);

    std::string table;
    for (int i = kTableSize; i > 0; --i) table += std::to_string(i * 10) + ";Player " + std::to_string(i) + "\n";
    harness::writeFileText(kMasterTable, table);
    HighscorePicture::useGameFolderFonts();
    std::printf("working in %s\n", dir.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!openBenchWindow(&argc, argv, "Lumivex high-score benchmark")) return 2;
    ilInit();
    iluInit();

    char* start = getcwd(nullptr, 0);
    if (!prepareFolder()) {
        std::fprintf(stderr, "could not prepare the benchmark folder\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    AggregateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // The CPU times are the steadier figure on a shared machine.
    auto ratio = [&](const char* name, const char* baseline) {
        const AggregateRun* a = reporter.find(name);
        const AggregateRun* b = reporter.find(baseline);
        if (!a || !b || b->real <= 0 || b->cpu <= 0) return;
        std::printf("%-28s real median %8.3f ms = %5.2f x %s (median %.3f ms)\n", name, a->real, a->real / b->real,
                    baseline, b->real);
        std::printf("%-28s cpu  median %8.3f ms = %5.2f x %s (median %.3f ms)\n", name, a->cpu, a->cpu / b->cpu,
                    baseline, b->cpu);
    };
    ratio("BM_CommitAndRender1000", "BM_BaselineBackgroundToPng");
    ratio("BM_UpdateScoreImage", "BM_BaselineBlankPanelTexture");
    ratio("BM_UpdateScoreImageNewTitle", "BM_BaselineBlankPanelTexture");

    char* folder = getcwd(nullptr, 0);
    if (start && chdir(start) == 0 && folder) harness::removeTree(folder);
    std::free(folder);
    std::free(start);
    benchmark::Shutdown();
    return 0;
}
