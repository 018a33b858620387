#pragma once
// The frame rate as the FPS overlay shows it: frames counted over about half a second, so the
// numbers change slowly enough to read. No GL: fed with the time at the end of every frame.
#include <cstdint>
#include <string>

class FrameMeter {
public:
    static constexpr uint32_t kWindowMs = 500;

    // One frame has ended at nowMs (the game's millisecond clock; differences survive a wrap).
    void frameEnded(uint32_t nowMs);
    // Forgets everything measured: the next reading counts from the next frame on.
    void restart();

    // True once a whole window has been measured.
    bool hasReading() const { return readingFrames > 0; }
    double fps() const;
    double frameMs() const;
    // "60 fps  16.7 ms", or "-- fps" before the first reading.
    std::string text() const;

private:
    bool started = false;
    uint32_t windowStart = 0;
    int framesInWindow = 0;
    int readingFrames = 0;      // the last full window: its frames and its length
    uint32_t readingMs = 0;
};
