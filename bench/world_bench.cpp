// Cost of one 5 ms world step with 60 live objects, and the heap allocations it makes; and of
// a whole flight step. The rules alone: no window, no GL.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "core/Step.h"
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
void populate(GameState& flight) {
    World& world = flight.world;
    world.clear();
    flight.ship->setPosition(0, 0.2f, -1.25f);
    world.addToActive(flight.ship.get());
    int placed = 0;
    auto put = [&](GameObject* obj) {
        const int col = placed % 10, row = placed / 10;
        obj->setPosition(-6.0f + 1.3f * col, 0.5f, -6.0f - 3.0f * row);
        obj->setVelocity(0, 0, 0);
        world.addToActive(obj);
        ++placed;
    };
    for (int i = 0; i < 30; ++i) put(new Asteroid(1.5f, flight.random));
    for (int i = 0; i < 12; ++i) put(new Asteroid(0.06f, flight.random));
    for (int i = 0; i < 17; ++i) put(new Bullet());
}

GameState& started() {
    static GameState flight;
    flight.start(12345, FlightRules{});
    return flight;
}

// The full step: motion, spawn test (kept from spawning), all-pairs contacts, removal step.
void BM_WorldUpdate60(benchmark::State& state) {
    GameState& flight = started();
    World& world = flight.world;
    populate(flight);
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
}
BENCHMARK(BM_WorldUpdate60)->Repetitions(5)->ReportAggregatesOnly(true);

// Baseline: only the motion pass over the same 60 objects.
void BM_MotionOnly60(benchmark::State& state) {
    GameState& flight = started();
    populate(flight);
    const std::vector<GameObject*>& active = flight.world.getActiveObjects();
    for (auto _ : state) {
        for (GameObject* obj : active) obj->update(5.0f);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MotionOnly60)->Repetitions(5)->ReportAggregatesOnly(true);

// With spawning switched on: allocations beyond the spawned objects themselves.
void BM_WorldUpdateSpawning(benchmark::State& state) {
    GameState& flight = started();
    World& world = flight.world;
    populate(flight);
    const size_t start = world.getActiveObjects().size();
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
            populate(flight);
            world.setSpawnPressure(1000000);
        }
        state.ResumeTiming();
    }
    state.counters["allocs_per_step"] = steps ? double(made) / steps : 0.0;
    state.counters["objects_per_step"] = steps ? double(spawned) / steps : 0.0;
}
BENCHMARK(BM_WorldUpdateSpawning)->Iterations(1500)->Repetitions(3)->ReportAggregatesOnly(true);

// A whole flight step as the game runs it: the field of a played minute, and the ground asked
// every few steps (answered flat here: the strip's answer is timed in bench_terrain_bench).
void BM_FlightStep(benchmark::State& state) {
    GameState& flight = started();
    const Ground flat = [](const std::vector<float>&, std::vector<float>& h) { std::fill(h.begin(), h.end(), 0.0f); };
    for (int i = 0; i < 12000; ++i) step(flight, demo::autopilot(flight), flat);
    state.counters["objects"] = double(flight.world.getActiveObjects().size());
    for (auto _ : state) step(flight, demo::autopilot(flight), flat);
}
BENCHMARK(BM_FlightStep)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
