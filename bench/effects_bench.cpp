// Frame cost of every render style on the fixed test scene at 800 x 600, against a plain
// fixed-function frame of the same scene measured in the same run. Run from build/game.
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "../tests/effects/StyleScene.h"
#include "core/GameState.h"
#include "effects/EffectContext.h"
#include "effects/EffectGroups.h"
#include "effects/NormalShader.h"
#include "effects/SSAO.h"
#include "framework/Logger.h"

namespace {

stylescene::Textures textures;
std::vector<EffectGroup*> groups;

void finishFrame() {
    glFinish();  // the GPU work belongs to the frame
}

void BM_Plain(benchmark::State& state) {
    for (auto _ : state) {
        stylescene::drawPlainFrame(textures);
        finishFrame();
    }
}

void BM_Style(benchmark::State& state) {
    EffectGroup* group = groups[static_cast<size_t>(state.range(0))];
    state.SetLabel(group->getName());
    for (auto _ : state) {
        stylescene::drawFrame(group, textures);
        finishFrame();
    }
}

// The SSAO pieces on their own: the geometry pass, and the occlusion + combine passes.
void BM_SSAOGeometryPass(benchmark::State& state) {
    SSAO* ssao = Game::instance().getSSAO();
    for (auto _ : state) {
        stylescene::setPerspective();
        stylescene::setupFixedState();
        ssao->beginGeometryPass(false);
        glClearColor(0.9f, 0.2f, 0.2f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        stylescene::applyCamera();
        placeWorldLight();
        glColor4f(0, 0, 0, 1);
        stylescene::drawObjects(textures);
        stylescene::drawSky(textures, 0.1f, 0.5f, 0);
        glColor4f(1, 1, 1, 1);
        stylescene::drawGround(textures);
        ssao->endGeometryPass();
        finishFrame();
    }
}

void BM_SSAOComposite(benchmark::State& state) {
    SSAO* ssao = Game::instance().getSSAO();
    const bool only = state.range(0) != 0;
    state.SetLabel(only ? "occlusion alone" : "occlusion on the colours");
    for (auto _ : state) {
        stylescene::beginOverlay();
        ssao->setOnlySSAO(only);
        ssao->activate();
        ssao->composite();
        ssao->deactivate();
        stylescene::endOverlay();
        finishFrame();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!openBenchWindow(&argc, argv, "Lumivex effects bench")) return 2;

    // Start-up as the game does it, quietly.
    std::fflush(stdout);
    const int savedStdout = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) dup2(devNull, 1);
    Game& game = Game::instance();
    game.getConfig().logger = new Logger();
    effectContext().logger = game.getConfig().logger;
    stylescene::setPerspective();
    game.ssao = new SSAO();
    game.ssao->setup(800, 600);
    game.ssao->setClipPlanes(0.1f, 30.0f);
    game.ssao->captureProjection();
    game.normalShader = new NormalShader();
    game.normalShader->setup(800, 600);
    for (EffectGroup* g = createEffectGroups(game.ssao, game.normalShader); g; g = g->getNext()) groups.push_back(g);
    textures = stylescene::makeTextures();
    effectContext().playing = true;
    std::fflush(stdout);
    if (savedStdout >= 0) dup2(savedStdout, 1);
    if (devNull >= 0) close(devNull);

    benchmark::RegisterBenchmark("plain", BM_Plain)->UseRealTime()->Unit(benchmark::kMillisecond);
    for (size_t i = 0; i < groups.size(); ++i)
        benchmark::RegisterBenchmark(("style/" + std::to_string(i + 1)).c_str(), BM_Style)
            ->Arg(static_cast<int64_t>(i))
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ssao/geometry", BM_SSAOGeometryPass)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ssao/composite", BM_SSAOComposite)
        ->Arg(1)
        ->Arg(0)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);

    initializeRepeated(argc, argv, 5);
    AggregateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const AggregateRun* base = reporter.find("plain");
    if (base && base->real > 0) {
        std::printf("\nMedian frame time against the plain fixed-function frame (%.3f ms):\n", base->real);
        for (const AggregateRun* run : reporter.all())
            std::printf("  %-22s %-42s %8.3f ms  x%.2f\n", run->name.c_str(), run->label.c_str(), run->real,
                        run->real / base->real);
    }
    benchmark::Shutdown();
    return 0;
}
