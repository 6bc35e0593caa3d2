// What the Google Benchmark programs share: run the benchmarks, keep each
// run's time, and print our code's time as a ratio of a yardstick's measured
// in the same run (absolute times depend on the machine).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// Benchmark name -> adjusted real time per iteration of its run.
using BenchTimes = std::map<std::string, double>;

// Prints the runs as the console reporter does and keeps the time of each
// run that neither failed nor was skipped.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    BenchTimes times;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

// Runs the benchmarks the command line selects; their times by name.
inline BenchTimes RunBenchmarks(int* argc, char** argv)
{
    benchmark::Initialize(argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.times;
}

// "ratio <ours> / <theirs> = x" with `digits` decimals; nothing when either
// did not run.
inline void PrintRatio(const BenchTimes& t, const std::string& ours, const std::string& theirs, int digits)
{
    const auto a = t.find(ours);
    const auto b = t.find(theirs);
    if (a != t.end() && b != t.end() && b->second > 0)
        std::printf("ratio %s / %s = %.*f\n", ours.c_str(), theirs.c_str(), digits, a->second / b->second);
}
