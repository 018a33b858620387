#pragma once
#include <cstdint>
#include <string>

#include "core/FrameMeter.h"

// The frame rate and the frame time in the top right corner, on every screen, while F10 has
// switched it on. Drawn last in a frame, over everything, leaving the GL state as it found it.
class FpsOverlay {
public:
    void toggle() { shown = !shown; }
    bool isShown() const { return shown; }
    std::string text() const { return meter.text(); }

    // Called once a frame, just before the buffer swap: counts the frame ending at nowMs and,
    // when shown, draws the reading into a window of the given size.
    void frameEnded(uint32_t nowMs, int windowWidth, int windowHeight, int left = 0, int bottom = 0);
    // The drawing alone (the tests call it on a state of their own).
    // (left, bottom): where the picture of that size begins on the window.
    void draw(int windowWidth, int windowHeight, int left = 0, int bottom = 0) const;

private:
    bool shown = false;
    FrameMeter meter;  // measures while hidden too, so a reading is there as soon as it shows
};
