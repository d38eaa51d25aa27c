#pragma once
// How many threads a CPU session may use for the operators of one run.

namespace vesk {

// From the count of logical processors the system reports: 2 when it reports none, at most 4, so
// that the worker never takes the whole machine from the viewer the user is looking at.
constexpr int IntraOpThreadCount(unsigned int logicalProcessors) {
  if (logicalProcessors == 0) return 2;
  return logicalProcessors > 4 ? 4 : static_cast<int>(logicalProcessors);
}

}  // namespace vesk
