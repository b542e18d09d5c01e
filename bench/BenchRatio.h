#pragma once
// A console reporter that keeps the time of each run by benchmark name, so that a benchmark
// can print the ratio of each of its pairs (our code against its peer) after the runs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <vector>

// CPU time of the process so far, in milliseconds.
inline double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Our code and its peer timed in turns, a pair at a time (which goes first alternates), so
// that both sides of a pair run within the same fraction of a second: on a shared machine the
// speed changes from one second to the next, and a ratio of pairs stays where separate runs
// drift apart. The CPU time of each side and the ratio are the medians over the pairs.
class TPairTimes {
public:
    // prepare() before each side runs, untimed; mine() and peer() are what is measured.
    template <class Prepare, class Mine, class Peer>
    void Run(int pairs, Prepare &&prepare, Mine &&mine, Peer &&peer) {
        for (int i = 0; i < pairs; ++i) {
            double ours = 0, theirs = 0;
            for (int side = 0; side < 2; ++side) {
                const bool mineNow = (side == 0) == (i % 2 == 0);
                prepare();
                const double start = ProcessCpuMs();
                if (mineNow)
                    mine();
                else
                    peer();
                (mineNow ? ours : theirs) = ProcessCpuMs() - start;
            }
            FMine.push_back(ours);
            FPeer.push_back(theirs);
            FRatio.push_back(theirs > 0 ? ours / theirs : 0.0);
        }
    }
    double Mine() const { return Median(FMine); }
    double Peer() const { return Median(FPeer); }
    double Ratio() const { return Median(FRatio); }

private:
    static double Median(std::vector<double> values) {
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
    std::vector<double> FMine, FPeer, FRatio;
};

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
