#pragma once
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// One 800 x 600 GLUT window with GLEW, as the game has; false when GLEW cannot start.
inline bool openBenchWindow(int* argc, char** argv, const char* title) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_RGB | GLUT_ALPHA);
    glutInitWindowSize(800, 600);
    glutCreateWindow(title);
    if (glewInit() != GLEW_OK) return false;
    glGetError();  // GLEW may leave an enum error behind
    glViewport(0, 0, 800, 600);
    return true;
}

// benchmark::Initialize with every benchmark repeated `repetitions` times and only the
// aggregates reported (flags given on the command line come first and can be overridden).
inline void initializeRepeated(int argc, char** argv, int repetitions) {
    static std::vector<std::string> extra;
    extra = {"--benchmark_repetitions=" + std::to_string(repetitions), "--benchmark_report_aggregates_only=true"};
    std::vector<char*> args(argv, argv + argc);
    for (std::string& flag : extra) args.push_back(flag.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
}

// One aggregate (median, mean, max...) of a repeated benchmark, in the benchmark's unit.
struct AggregateRun {
    std::string name;  // function name, then "/" and the arguments if there are any
    std::string aggregate;
    std::string label;
    double real;
    double cpu;
    std::map<std::string, double> counters;  // the aggregate of each of the run's counters
};

// Prints as the console reporter does and keeps every aggregate, so a program can print its
// own medians and ratios against a baseline measured in the same run.
class AggregateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate) continue;
            const std::string& args = run.run_name.args;
            kept.push_back({run.run_name.function_name + (args.empty() ? "" : "/" + args), run.aggregate_name,
                            run.report_label, run.GetAdjustedRealTime(), run.GetAdjustedCPUTime(), {}});
            for (const auto& [name, counter] : run.counters) kept.back().counters[name] = counter.value;
        }
    }

    // The run of that name and aggregate, or null.
    const AggregateRun* find(const std::string& name, const std::string& aggregate = "median") const {
        for (const AggregateRun& r : kept)
            if (r.name == name && r.aggregate == aggregate) return &r;
        return nullptr;
    }

    // Every run of one aggregate, in the order they ran.
    std::vector<const AggregateRun*> all(const std::string& aggregate = "median") const {
        std::vector<const AggregateRun*> out;
        for (const AggregateRun& r : kept)
            if (r.aggregate == aggregate) out.push_back(&r);
        return out;
    }

private:
    std::vector<AggregateRun> kept;
};
