#include "core/Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "highscore/TableLock.h"
#include "platform/ReadFile.h"
#include "platform/WriteFile.h"

namespace {

constexpr const char* kVersionLine = "lumivex-stats 1";
constexpr const char* kMagic = "lumivex-stats ";

int64_t capped(int64_t value) { return std::clamp<int64_t>(value, 0, Statistics::kMaxValue); }
// Both sides are at most kMaxValue, so the sum cannot overflow before it is capped.
int64_t sum(int64_t a, int64_t b) { return capped(capped(a) + capped(b)); }

// The file's keys in the order they are written, each with the number it holds and the
// largest it may say.
std::vector<std::string> keys() {
    std::vector<std::string> all = {"flights", "stars", "hits", "best_multiplier", "asteroids_shot", "longest_flight_ms"};
    for (int i = 1; i <= kStyleCount; ++i) all.push_back("style_ms_" + std::to_string(i));
    return all;
}

int64_t* field(Statistics& totals, const std::string& key, int64_t* most) {
    *most = Statistics::kMaxValue;
    if (key == "flights") return &totals.flights;
    if (key == "stars") return &totals.stars;
    if (key == "hits") return &totals.hits;
    if (key == "asteroids_shot") return &totals.asteroidsShot;
    if (key == "longest_flight_ms") return &totals.longestFlightMs;
    if (key == "best_multiplier") {
        *most = kStyleCount;  // one more with every style on
        return &totals.bestMultiplier;
    }
    for (int i = 0; i < kStyleCount; ++i)
        if (key == "style_ms_" + std::to_string(i + 1)) return &totals.styleMs[i];
    return nullptr;
}

// Plain decimal digits, at most most.
bool number(const std::string& text, int64_t most, int64_t* value) {
    if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = std::stoll(text);
    return *value <= most;
}

// Loaded at every visit of the screen and every save: one line per file and fault is enough.
void sayOnce(const std::string& line) {
    static std::set<std::string> said;
    if (!said.insert(line).second) return;
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void reportDamage(const std::string& path, const StatisticsRead& read) {
    if (read.newer)
        sayOnce("The statistics file " + path + " was written by a newer game: it is left as it is and not added to");
    else if (!read.problem.empty())
        sayOnce("The statistics file " + path + " is damaged (" + read.problem + "): what is wrong is left out");
}

}  // namespace

void FlightStats::add(const GameState& state, const StepEvents& events) {
    styleSteps[state.style] += state.stepCount - steps;
    steps = state.stepCount;
    stepMs = state.rules.stepMs;
    stars += events.stylesForward;
    hits += events.hits;
    asteroidsShot += events.asteroidsShot;
    bestMultiplier = std::max<int64_t>(bestMultiplier, state.scoreMultiplier);
}

int64_t FlightStats::styleMs(int style) const { return std::llround(styleSteps[style] * stepMs); }

int64_t FlightStats::durationMs() const { return std::llround(steps * stepMs); }

void Statistics::add(const FlightStats& flight) {
    flights = sum(flights, 1);
    stars = sum(stars, flight.stars);
    hits = sum(hits, flight.hits);
    asteroidsShot = sum(asteroidsShot, flight.asteroidsShot);
    bestMultiplier = std::max(bestMultiplier, std::min<int64_t>(flight.bestMultiplier, kStyleCount));
    longestFlightMs = std::max(longestFlightMs, capped(flight.durationMs()));
    for (int i = 0; i < kStyleCount; ++i) styleMs[i] = sum(styleMs[i], flight.styleMs(i));
}

bool Statistics::operator==(const Statistics& other) const {
    return formatStatistics(*this) == formatStatistics(other);
}

std::string formatStatistics(const Statistics& totals) {
    Statistics copy = totals;
    std::string text = std::string(kVersionLine) + "\n";
    int64_t most;
    for (const std::string& key : keys()) text += key + " " + std::to_string(*field(copy, key, &most)) + "\n";
    return text;
}

StatisticsRead parseStatistics(const std::string& text) {
    StatisticsRead read;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line != kVersionLine) {
        const std::string version = line.compare(0, std::strlen(kMagic), kMagic) == 0 ? line.substr(std::strlen(kMagic)) : "";
        int64_t n = 0;
        read.newer = number(version, Statistics::kMaxValue, &n) && n > 1;
        read.problem = read.newer ? "a newer version" : "not a statistics file";
        return read;
    }
    for (int n = 2; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::size_t space = line.find(' ');
        int64_t most = 0, value = 0;
        int64_t* slot = space == std::string::npos ? nullptr : field(read.totals, line.substr(0, space), &most);
        const char* fault = !slot ? "not a known key and number" : !number(line.substr(space + 1), most, &value) ? "not a number in range" : nullptr;
        if (!fault)
            *slot = value;
        else if (read.problem.empty())
            read.problem = "line " + std::to_string(n) + ": " + fault;
    }
    return read;
}

Statistics loadStatistics(const std::string& path) {
    const files::ReadResult file = files::readRegularFile(path, kStatisticsLimit);
    if (file.status == files::ReadStatus::Missing) return Statistics{};
    if (!file.ok()) {
        sayOnce("Could not read the statistics from " + path + ": " + files::describe(file));
        return Statistics{};
    }
    const StatisticsRead read = parseStatistics(file.data);
    reportDamage(path, read);
    return read.totals;
}

StatisticsSave saveStatistics(const std::string& path, const std::vector<FlightStats>& flights, int lockWaitMs) {
    StatisticsSave result;
    std::string target;
    if (!files::resolveOwnLinks(path, &target, &result.problem)) return result;
    const TableLock lock(target + ".lock", lockWaitMs);
    if (lock.busy || !lock.held()) {
        result.busy = lock.busy;
        result.problem = lock.busy ? "another program holds its lock" : std::strerror(lock.error);
        return result;
    }
    // Another game in this folder may have saved since: its flights stay, this one's are added.
    const files::ReadResult file = files::readRegularFile(target, kStatisticsLimit);
    if (!file.ok() && file.status != files::ReadStatus::Missing) {
        result.problem = files::describe(file);
        return result;
    }
    if (file.ok()) {
        const StatisticsRead read = parseStatistics(file.data);
        reportDamage(path, read);
        if (read.newer) {
            result.problem = "it was written by a newer game";
            return result;
        }
        result.totals = read.totals;
    }
    for (const FlightStats& flight : flights) result.totals.add(flight);
    const std::string text = formatStatistics(result.totals);
    result.ok = files::replaceFile(target, text.data(), text.size(), &result.problem);
    return result;
}
