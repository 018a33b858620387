#include "platform/Clock.h"

#include <atomic>
#include <chrono>

namespace {
std::atomic<bool> manual{false};
std::atomic<uint32_t> manualNow{0};
}  // namespace

uint32_t timeGetTime() {
    if (manual.load(std::memory_order_relaxed)) return manualNow.load(std::memory_order_relaxed);
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));  // wraps like a 32-bit counter
}

namespace testclock {
void enable(uint32_t startMs) {
    manualNow = startMs;
    manual = true;
}
void set(uint32_t nowMs) { manualNow = nowMs; }
void advance(uint32_t deltaMs) { manualNow = manualNow.load() + deltaMs; }
void disable() { manual = false; }
bool enabled() { return manual.load(); }
}  // namespace testclock
