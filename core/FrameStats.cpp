#include "core/FrameStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace framestats {

namespace {

// The table's name column fits the longest style name ("Phong Shader + SSAO").
constexpr int kNameWidth = 20;

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string tableLine(const Summary& s) {
    char line[160];
    std::snprintf(line, sizeof line, "%-*s %7d %10.2f %10.2f %10.2f %8.1f %8.0f\n", kNameWidth, s.name.c_str(),
                  s.frames, s.medianMs, s.p99Ms, s.slowestMs, s.fps, s.scalePercent);
    return line;
}

std::string csvLine(const Summary& s) {
    char numbers[120];
    std::snprintf(numbers, sizeof numbers, ",%d,%.3f,%.3f,%.3f,%.2f,%.0f\n", s.frames, s.medianMs, s.p99Ms,
                  s.slowestMs, s.fps, s.scalePercent);
    return csvField(s.name) + numbers;
}

}  // namespace

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with at least p % of the values at or below it.
    const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    const size_t index = static_cast<size_t>(std::clamp(rank, 1.0, static_cast<double>(values.size()))) - 1;
    return values[index];
}

Summary summarize(const std::string& name, const std::vector<double>& frameMs, const std::vector<double>& scalePercents) {
    Summary s;
    s.name = name;
    s.frames = static_cast<int>(frameMs.size());
    if (frameMs.empty()) return s;
    s.medianMs = median(frameMs);
    s.p99Ms = percentile(frameMs, 99);
    s.slowestMs = *std::max_element(frameMs.begin(), frameMs.end());
    s.fps = s.medianMs > 0 ? 1000.0 / s.medianMs : 0;
    if (!scalePercents.empty()) s.scalePercent = median(scalePercents);
    return s;
}

std::string formatTable(const std::vector<Summary>& rows, const Summary& total) {
    char header[160];
    std::snprintf(header, sizeof header, "%-*s %7s %10s %10s %10s %8s %8s\n", kNameWidth, "style", "frames",
                  "median ms", "p99 ms", "slowest ms", "fps", "scale %");
    std::string text = header;
    for (const Summary& row : rows) text += tableLine(row);
    return text + tableLine(total);
}

std::string formatCsv(const std::vector<Summary>& rows, const Summary& total) {
    std::string text = "style,frames,median_ms,p99_ms,slowest_ms,fps,scale_percent\n";
    for (const Summary& row : rows) text += csvLine(row);
    return text + csvLine(total);
}

}  // namespace framestats
