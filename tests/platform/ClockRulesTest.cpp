#include <gtest/gtest.h>
#include <time.h>

#include "platform/Clock.h"

// Milliseconds since boot, like the Windows clock it stands in for.
static uint32_t monotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

TEST(Clock, RealClockFollowsTheMonotonicClockAndTheManualOneWrapsAt32Bits) {
    testclock::enable(0xFFFFFFF0u);
    testclock::advance(0x20);
    EXPECT_EQ(timeGetTime(), 0x10u);
    testclock::disable();
    // Read without sleeping; unsigned differences survive a wrap in between.
    const uint32_t before = monotonicMs(), now = timeGetTime(), after = monotonicMs();
    EXPECT_LE(static_cast<uint32_t>(now - before), static_cast<uint32_t>(after - before));
}
