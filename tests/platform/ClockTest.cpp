#include <gtest/gtest.h>

#include <thread>

#include "platform/Clock.h"

TEST(Clock, RealClockAdvancesInMilliseconds) {
    testclock::disable();
    const uint32_t a = timeGetTime();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const uint32_t elapsed = timeGetTime() - a;
    EXPECT_GE(elapsed, 25u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Clock, ManualClockIsDrivenByHandAndWrapsAt32Bits) {
    testclock::enable(0xFFFFFFF0u);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFF0u);
    testclock::advance(0x20);
    EXPECT_EQ(timeGetTime(), 0x10u);
    // A difference taken as unsigned 32-bit survives the wrap.
    EXPECT_EQ(static_cast<uint32_t>(timeGetTime() - 0xFFFFFFF0u), 0x20u);
    testclock::set(1234);
    EXPECT_EQ(timeGetTime(), 1234u);
    testclock::disable();
    EXPECT_FALSE(testclock::enabled());
}
