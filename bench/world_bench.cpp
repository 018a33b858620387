// Cost of one 5 ms world step with 60 live objects, and the heap allocations it makes.
// Run from the game folder (models and textures are loaded from there).
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "BenchSupport.h"
#include "core/Game.h"
#include "framework/Logger.h"
#include "framework/Texture.h"
#include "objects/Asteroid.h"
#include "objects/Bullet.h"
#include "objects/Spaceship.h"
#include "objects/World.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Ship, 30 asteroids, a swarm of 12 and 17 bullets, spread so that nothing touches: every
// pair is still tested each step, which is the quadratic part of the cost.
void populate(World& world, Game& game) {
    game.ship = new Spaceship();
    game.ship->setPosition(0, 0.2f, -1.25f);
    world.addToActive(game.ship);
    int placed = 0;
    auto put = [&](GameObject* obj) {
        const int col = placed % 10, row = placed / 10;
        obj->setPosition(-6.0f + 1.3f * col, 0.5f, -6.0f - 3.0f * row);
        obj->setVelocity(0, 0, 0);
        world.addToActive(obj);
        ++placed;
    };
    for (int i = 0; i < 30; ++i) put(new Asteroid(1.5f));
    for (int i = 0; i < 12; ++i) put(new Asteroid(0.06f));
    for (int i = 0; i < 17; ++i) put(new Bullet());
}

void depopulate(World& world, Game& game) {
    auto& active = world.getActiveObjects();
    for (auto it = active.begin(); it != active.end();) it = (*it == game.ship) ? active.erase(it) : it + 1;
    delete game.ship;
    game.ship = nullptr;
    world.clear();
}

// The full step: motion, spawn test (kept from spawning), all-pairs contacts, removal step.
void BM_WorldUpdate60(benchmark::State& state) {
    Game& game = Game::instance();
    World& world = game.getWorld();
    populate(world, game);
    const long before = allocations.load();
    long steps = 0;
    for (auto _ : state) {
        world.setSpawnPressure(0);
        world.update(5.0f);
        ++steps;
    }
    const long made = allocations.load() - before;
    state.counters["allocs_per_step"] = steps ? double(made) / steps : 0.0;
    state.counters["objects"] = double(world.getActiveObjects().size());
    depopulate(world, game);
}
BENCHMARK(BM_WorldUpdate60)->Repetitions(5)->ReportAggregatesOnly(true);

// Baseline: only the motion pass over the same 60 objects.
void BM_MotionOnly60(benchmark::State& state) {
    Game& game = Game::instance();
    World& world = game.getWorld();
    populate(world, game);
    std::vector<GameObject*>& active = world.getActiveObjects();
    for (auto _ : state) {
        for (GameObject* obj : active) obj->update(5.0f);
        benchmark::ClobberMemory();
    }
    depopulate(world, game);
}
BENCHMARK(BM_MotionOnly60)->Repetitions(5)->ReportAggregatesOnly(true);

// With spawning switched on: allocations beyond the spawned objects themselves.
void BM_WorldUpdateSpawning(benchmark::State& state) {
    Game& game = Game::instance();
    World& world = game.getWorld();
    populate(world, game);
    const size_t start = world.getActiveObjects().size();
    std::srand(12345);
    world.setSpawnPressure(1000000);  // a spawn in about one step of three
    long made = 0, spawned = 0, steps = 0;
    for (auto _ : state) {
        const size_t n = world.getActiveObjects().size();
        const long a = allocations.load();
        world.update(5.0f);
        made += allocations.load() - a;
        spawned += long(world.getActiveObjects().size() - n);
        ++steps;
        state.PauseTiming();
        if (world.getActiveObjects().size() > start + 40) {  // keep the list near 60
            depopulate(world, game);
            populate(world, game);
            world.setSpawnPressure(1000000);
        }
        state.ResumeTiming();
    }
    state.counters["allocs_per_step"] = steps ? double(made) / steps : 0.0;
    state.counters["objects_per_step"] = steps ? double(spawned) / steps : 0.0;
    depopulate(world, game);
}
BENCHMARK(BM_WorldUpdateSpawning)->Iterations(1500)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    if (!openBenchWindow(&argc, argv, "world bench")) return 2;
    Game& game = Game::instance();
    game.getConfig().logger = new Logger();
    game.getConfig().textureLoader = new TextureLoader();
    game.getChaseCamera().set(0, 1.4f, 0.5f, 0, 0.5f, -1.5f, 0, 0, -1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
