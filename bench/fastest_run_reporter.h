// Benchmarks that print a speed ratio at the end: every benchmark runs in repetitions, and the
// fastest repetition's CPU time per iteration stands for it, since the machine may be shared and
// the fastest repetition is the least disturbed.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchmark_support {

// The statistic registered as "min" on every benchmark of the run.
inline double Fastest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

inline void RunFastestOfNine(benchmark::internal::Benchmark* benchmark) {
  benchmark->Repetitions(9)->ComputeStatistics("min", Fastest)->DisplayAggregatesOnly(true);
}

class FastestRunReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
        times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Prints how many times faster `ours` ran than `theirs`, with both CPU times divided by
  // `divisor` and labelled `unit`.
  void PrintRatio(const char* what, const std::string& ours, const std::string& theirs,
                  double divisor, const char* unit) const {
    const auto our = times_.find(ours);
    const auto their = times_.find(theirs);
    if (our != times_.end() && their != times_.end() && our->second > 0) {
      std::printf("%s: Corvane is %.2fx the speed of OpenSSL (%.0f vs %.0f %s)\n", what,
                  their->second / our->second, our->second / divisor, their->second / divisor,
                  unit);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace benchmark_support
