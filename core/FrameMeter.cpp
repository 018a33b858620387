#include "core/FrameMeter.h"

#include <cstdio>

void FrameMeter::frameEnded(uint32_t nowMs) {
    if (!started) {
        started = true;
        windowStart = nowMs;
        framesInWindow = 0;
        return;
    }
    ++framesInWindow;
    const uint32_t elapsed = nowMs - windowStart;
    if (elapsed < kWindowMs) return;
    readingFrames = framesInWindow;
    readingMs = elapsed;
    windowStart = nowMs;
    framesInWindow = 0;
}

void FrameMeter::restart() { *this = FrameMeter(); }

double FrameMeter::fps() const { return readingMs ? 1000.0 * readingFrames / readingMs : 0; }

double FrameMeter::frameMs() const { return readingFrames ? static_cast<double>(readingMs) / readingFrames : 0; }

std::string FrameMeter::text() const {
    if (!hasReading()) return "-- fps";
    char line[64];
    std::snprintf(line, sizeof line, "%.0f fps  %.1f ms", fps(), frameMs());
    return line;
}
