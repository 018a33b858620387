#pragma once
#include <cstdint>

// Millisecond clock as an unsigned 32-bit count from a monotonic source. It wraps like a
// 32-bit counter does, so callers must take differences as unsigned 32-bit values.
uint32_t timeGetTime();

// Tests and the soak run drive the clock by hand: while the manual clock is on,
// timeGetTime() returns exactly the value set here.
namespace testclock {
void enable(uint32_t startMs);
void set(uint32_t nowMs);
void advance(uint32_t deltaMs);
void disable();
bool enabled();
}  // namespace testclock
