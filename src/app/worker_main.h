#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace vesk {

// The whole process after the platform entry has read the clock and collected the arguments (element 0 the
// program path). start is the instant the run's elapsed time counts from. Returns the process exit code.
int WorkerMain(std::chrono::steady_clock::time_point start, const std::vector<std::u16string>& args);

}  // namespace vesk
