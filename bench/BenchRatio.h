#pragma once
// A console reporter that keeps the time of each run by benchmark name, so that a benchmark
// can print the ratio of each of its pairs (our code against its peer) after the runs.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class TTimesReporter : public benchmark::ConsoleReporter {
public:
    // CPU time (steadier on a busy machine) unless the work waits on something else.
    explicit TTimesReporter(bool realTime = false) : FRealTime(realTime) {}
    // With repetitions the median of the runs counts (reported after them), by the name of
    // one run.
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const double time = FRealTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            if (run.run_type == Run::RT_Iteration)
                FTimes[run.benchmark_name()] = time;
            else if (run.aggregate_name == "median")
                FTimes[run.run_name.str()] = time;
        }
    }

protected:
    std::map<std::string, double> FTimes;

private:
    bool FRealTime;
};
