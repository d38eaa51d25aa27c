#pragma once
// The accuracy table of one or more worker configurations side by side, and the same figures as JSON.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "accuracy_metrics.h"
#include "devset.h"

namespace vesk::bench {

struct WorkerConfig {
  std::string name;
  std::vector<std::string> arguments;  // extra worker arguments
};

struct PageResult {
  PageScore score;
  TurnScore turns;
  bool orientationKnown = false;  // the JSON document gave an orientation for every line
  double seconds = 0;             // fastest run
  int64_t peakBytes = 0;          // largest peak of all runs
  int exitCode = 0;
  std::string problem;            // why no lines could be read; empty when they were
};

// results[c][s]: configuration c on screenshot s.
void PrintTable(std::FILE* out, const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                const std::vector<std::vector<PageResult>>& results);

std::string SummaryJson(const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                        const std::vector<std::vector<PageResult>>& results);

}  // namespace vesk::bench
