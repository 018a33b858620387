// The timedemo's numbers and its table and CSV, and the frame meter of the FPS overlay.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/FrameMeter.h"
#include "core/FrameStats.h"
#include "core/RenderScale.h"
#include "support/TestFiles.h"

namespace {

using framestats::Summary;
using harness::linesOf;

TEST(FrameStats, MedianPercentileSlowestAndFps) {
    EXPECT_DOUBLE_EQ(framestats::median({}), 0);
    EXPECT_DOUBLE_EQ(framestats::median({9, 1, 5}), 5) << "unsorted input";
    EXPECT_DOUBLE_EQ(framestats::median({4, 1, 3, 2}), 2.5) << "even count: the middle two";

    // 1 .. 200 ms: the 99th percentile by nearest rank is the 198th value.
    std::vector<double> ramp;
    for (int ms = 200; ms >= 1; --ms) ramp.push_back(ms);
    EXPECT_DOUBLE_EQ(framestats::percentile(ramp, 99), 198);
    EXPECT_DOUBLE_EQ(framestats::percentile(ramp, 100), 200);
    EXPECT_DOUBLE_EQ(framestats::percentile({3, 8, 5}, 99), 8) << "few frames: the slowest";
    EXPECT_DOUBLE_EQ(framestats::percentile({}, 99), 0);

    // One stall among steady 16 ms frames moves the slowest, not the median.
    std::vector<double> frames(119, 16.0);
    frames.insert(frames.begin() + 40, 250.0);
    const Summary s = framestats::summarize("Toon Shader", frames);
    EXPECT_DOUBLE_EQ(s.medianMs, 16);
    EXPECT_DOUBLE_EQ(s.p99Ms, 16) << "1 frame in 120 lies beyond the 99th percentile";
    EXPECT_DOUBLE_EQ(s.slowestMs, 250);
    EXPECT_DOUBLE_EQ(s.fps, 62.5);

    const Summary none = framestats::summarize("Pure", {});
    EXPECT_EQ(none.frames, 0);
    EXPECT_DOUBLE_EQ(none.fps, 0) << "no division by a zero median";
}

TEST(FrameStats, TableAndCsvHaveAHeaderOneLinePerStyleAndTheTotalLast) {
    const std::vector<Summary> rows = {framestats::summarize("Blue/Green Shader", {10, 20, 30}),
                                       framestats::summarize("Phong Shader + SSAO", {40, 50, 60}, {75, 50, 75})};
    const Summary total = framestats::summarize("total", {10, 20, 30, 40, 50, 60});

    const std::vector<std::string> table = linesOf(framestats::formatTable(rows, total));
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0], "style                 frames  median ms     p99 ms slowest ms      fps  scale %");
    EXPECT_EQ(table[1], "Blue/Green Shader          3      20.00      30.00      30.00     50.0      100");
    EXPECT_EQ(table[2], "Phong Shader + SSAO        3      50.00      60.00      60.00     20.0       75");
    EXPECT_EQ(table[3], "total                      6      35.00      60.00      60.00     28.6      100");

    EXPECT_EQ(framestats::formatCsv(rows, total),
              "style,frames,median_ms,p99_ms,slowest_ms,fps,scale_percent\n"
              "Blue/Green Shader,3,20.000,30.000,30.000,50.00,100\n"
              "Phong Shader + SSAO,3,50.000,60.000,60.000,20.00,75\n"
              "total,6,35.000,60.000,60.000,28.57,100\n");
    // A name that would break the columns is quoted.
    EXPECT_EQ(linesOf(framestats::formatCsv({framestats::summarize("a, \"b\"", {1})}, total))[1],
              "\"a, \"\"b\"\"\",1,1.000,1.000,1.000,1000.00,100");
}

TEST(FrameMeter, ReadsOverHalfASecondAndStartsAfresh) {
    FrameMeter meter;
    EXPECT_FALSE(meter.hasReading());
    EXPECT_EQ(meter.text(), "-- fps");

    // 20 ms frames: the reading comes once half a second is full, not before.
    uint32_t now = 0xFFFFFF00u;  // across the wrap of the clock
    meter.frameEnded(now);
    for (int frame = 1; frame < 25; ++frame) meter.frameEnded(now += 20);
    EXPECT_FALSE(meter.hasReading()) << "480 ms so far";
    meter.frameEnded(now += 20);
    ASSERT_TRUE(meter.hasReading());
    EXPECT_DOUBLE_EQ(meter.fps(), 50);
    EXPECT_DOUBLE_EQ(meter.frameMs(), 20);
    EXPECT_EQ(meter.text(), "50 fps  20.0 ms");

    // Slower frames show in the next window only; the reading stays until then.
    for (int frame = 0; frame < 4; ++frame) meter.frameEnded(now += 100);
    EXPECT_EQ(meter.text(), "50 fps  20.0 ms");
    meter.frameEnded(now += 100);
    EXPECT_EQ(meter.text(), "10 fps  100.0 ms");
    // Uneven frames are averaged: 3 frames in 600 ms.
    meter.frameEnded(now += 100), meter.frameEnded(now += 100), meter.frameEnded(now += 400);
    EXPECT_EQ(meter.text(), "5 fps  200.0 ms");

    meter.restart();
    EXPECT_FALSE(meter.hasReading());
    meter.frameEnded(now += 5000);  // a long pause before the restart is not counted
    for (int frame = 0; frame < 30; ++frame) meter.frameEnded(now += 17);
    EXPECT_EQ(meter.text(), "59 fps  17.0 ms");
}

// Auto against scenes whose cost is partly their pixels': it settles where the frames fit 60 fps
// and stays there (a step up it cannot hold is tried again only now and then), stalls saying
// nothing; a fixed choice never moves, whatever the frames. A scene that costs as much below
// 100 % (the widening) comes back up after a slow spell of another program's.
TEST(RenderScale, AutoSettlesWhereFramesFitAndAFixedChoiceStays) {
    struct Case {
        int choice;
        double fixedMs, pixelMs, widenMs;  // not the pixels', the pixels' at 100 %, below 100 %
        bool slowSpell;                    // frames 200 to 500 take 2.5 times as long
        int low, high;                     // where it may be after the first thousand frames
    };
    const Case cases[] = {{RenderScale::kAuto, 1, 29, 0, false, 60, 70}, {RenderScale::kAuto, 1, 11, 0, false, 100, 100},
                          {RenderScale::kAuto, 1, 79, 0, false, 50, 50}, {100, 1, 39, 0, false, 100, 100},
                          {50, 1, 3, 0, false, 50, 50},                 {RenderScale::kAuto, 9, 4, 3, true, 100, 100}};
    for (const Case& c : cases) {
        RenderScale scale;
        scale.choose(c.choice);
        int outside = 0, moves = 0, last = scale.percent();
        for (int frame = 0; frame < 3000; ++frame) {
            const double share = scale.percent() / 100.0;
            double ms = c.fixedMs + c.pixelMs * share * share + (share < 1 ? c.widenMs : 0);
            if (c.slowSpell && frame >= 200 && frame < 500) ms *= 2.5;
            scale.frameEnded(frame % 700 == 400 ? 900.0 : ms);
            outside += frame >= 1000 && (scale.percent() < c.low || scale.percent() > c.high);
            moves += scale.percent() != last;
            last = scale.percent();
        }
        SCOPED_TRACE(testing::Message() << c.fixedMs << " + " << c.pixelMs << " ms: " << last << " %");
        EXPECT_TRUE(last >= c.low && last <= c.high);
        EXPECT_LE(outside, 20) << "frames off the settled scale";
        if (c.choice != RenderScale::kAuto) {
            EXPECT_EQ(moves, 0);
        }
    }
    EXPECT_EQ(RenderScale::name(RenderScale::kAuto) + ", " + RenderScale::name(50), "Auto, 50 %");
}

}  // namespace
