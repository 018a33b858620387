#pragma once
// What the player's own flights came to, one by one and all together, and the file that keeps
// the totals ("stats.txt" in the player's data folder, beside the high-score table). Rules
// library: no GL here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/GameState.h"

// One flight, fed after every step of it. Time counts in simulated steps, so the same flight
// gives the same numbers however its frames came.
struct FlightStats {
    int64_t styleSteps[kStyleCount] = {};  // steps that ended in each style
    int64_t stars = 0;                     // stars (and F3) that moved the flight on a style
    int64_t hits = 0;
    int64_t asteroidsShot = 0;
    int64_t bestMultiplier = 0;  // 0 until the first step
    long steps = 0;              // the flight's stepCount when last fed
    double stepMs = 0;

    // After a step: the state as the step left it and what it reported. A finished flight's
    // steps do not move it, so they count nothing.
    void add(const GameState& state, const StepEvents& events);
    int64_t styleMs(int style) const;
    int64_t durationMs() const;
};

// Every counted flight added up. Each number stops at kMaxValue rather than overflow.
struct Statistics {
    static constexpr int64_t kMaxValue = 999999999999999;  // 15 digits: centuries of flying

    int64_t flights = 0;
    int64_t stars = 0;
    int64_t hits = 0;
    int64_t bestMultiplier = 0;
    int64_t asteroidsShot = 0;
    int64_t longestFlightMs = 0;
    int64_t styleMs[kStyleCount] = {};

    void add(const FlightStats& flight);
    bool operator==(const Statistics& other) const;
};

// Far more than the file ever holds, far less than would cost anything to read.
constexpr std::size_t kStatisticsLimit = 4096;

// "lumivex-stats 1", then one "key value" line each: flights, stars, hits, best_multiplier,
// asteroids_shot, longest_flight_ms, style_ms_1 .. style_ms_11.
std::string formatStatistics(const Statistics& totals);

struct StatisticsRead {
    Statistics totals;    // what the good lines say
    std::string problem;  // empty, or the first fault: "line N: ..." or what is wrong with the whole
    bool newer = false;   // written by a newer game: read nothing of it, and never write over it
};
// A line that is not "key value", names no known key, or holds a number out of range is
// skipped; the others count. Without the version line nothing counts.
StatisticsRead parseStatistics(const std::string& text);

// The totals in path; a missing file is none yet. A file that cannot be read or is damaged is
// said on the console once (the game plays on with what is good).
Statistics loadStatistics(const std::string& path);

struct StatisticsSave {
    bool ok = false;
    bool busy = false;    // another game holds the lock: nothing was written, try again later
    Statistics totals;    // the file as written
    std::string problem;  // why it failed, for the console
};
// Adds flights to the totals in path as the file is now (read again under the lock the score
// table uses, so two games saving at once lose nothing) and replaces the file. The lock is
// waited for lockWaitMs at most (-1: as long as it takes).
StatisticsSave saveStatistics(const std::string& path, const std::vector<FlightStats>& flights, int lockWaitMs);
