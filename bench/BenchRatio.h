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
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                FTimes[run.benchmark_name()] =
                    FRealTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
    }

protected:
    std::map<std::string, double> FTimes;

private:
    bool FRealTime;
};
