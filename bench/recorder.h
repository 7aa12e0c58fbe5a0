// TBenchRecorder: a console reporter that also keeps the real time per
// iteration of every benchmark, so a program can print its "ratio <what>: X"
// lines after the run:
//   TBenchRecorder recorder;
//   benchmark::RunSpecifiedBenchmarks(&recorder);
//   recorder.PrintRatio("archive/loose", "BM_Archive", "BM_Loose");
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

class TBenchRecorder : public benchmark::ConsoleReporter {
public:
  // Plain text: the ratio lines must start at the beginning of a line, with no
  // colour escape left over from the table.
  TBenchRecorder() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  // Prints "ratio <what>: <time of a / time of b>" when both ran.
  void PrintRatio(const char* what, const std::string& a, const std::string& b) {
    if (times[a] > 0 && times[b] > 0) std::printf("ratio %s: %.3f\n", what, times[a] / times[b]);
  }
  std::map<std::string, double> times;
};
