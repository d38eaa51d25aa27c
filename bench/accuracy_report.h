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

// The figures of one layout family summed over its screenshots.
struct FamilyFigures {
  std::string family;  // "-" for screenshots that name none
  size_t screenshots = 0;
  size_t referenceChars = 0;
  size_t orderedEdits = 0;
  size_t anyOrderEdits = 0;
  size_t referenceLines = 0;
  size_t linesRead = 0;
  size_t failures = 0;
};

// pages[s]: one configuration on shots[s]. One entry per family, in name order.
std::vector<FamilyFigures> SumByFamily(const std::vector<Screenshot>& shots, const std::vector<PageResult>& pages);

// results[c][s]: configuration c on screenshot s.
void PrintTable(std::FILE* out, const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                const std::vector<std::vector<PageResult>>& results);

// Per family and in total: the character error in order, in any order, their difference (the cost of
// the reading order) and the share of lines read, each configuration side by side.
void PrintFamilyTable(std::FILE* out, const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                      const std::vector<std::vector<PageResult>>& results);

std::string SummaryJson(const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                        const std::vector<std::vector<PageResult>>& results);

}  // namespace vesk::bench
