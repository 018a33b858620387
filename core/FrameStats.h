#pragma once
// Frame times and what is reported about them: the timedemo's table (one row per style and a
// total) as text and as CSV. No GL: the rules library holds it, and its tests need no display.
#include <string>
#include <vector>

namespace framestats {

// One row: the frames of one style (or of the whole run), in ms.
struct Summary {
    std::string name;
    int frames = 0;
    double medianMs = 0;
    double p99Ms = 0;      // 99th percentile, nearest rank: at least 99 % of the frames took no longer
    double slowestMs = 0;
    double fps = 0;        // 1000 / median; 0 when there are no frames
    double scalePercent = 100;  // the 3D scene's scale (percent of the picture), median over the frames
};

// The median of the values (the mean of the middle two for an even count); 0 when empty.
double median(std::vector<double> values);
// The nearest-rank percentile (0 < p <= 100) of the values; 0 when empty.
double percentile(std::vector<double> values, double p);

// scalePercents: each frame's scale; none means 100 %.
Summary summarize(const std::string& name, const std::vector<double>& frameMs,
                  const std::vector<double>& scalePercents = {});

// The table as printed: a header, one line per row, and the total last.
std::string formatTable(const std::vector<Summary>& rows, const Summary& total);
// The same rows as CSV: a header line, then one line per row and the total; names quoted
// where they hold a comma, a quote or a line break.
std::string formatCsv(const std::vector<Summary>& rows, const Summary& total);

}  // namespace framestats
