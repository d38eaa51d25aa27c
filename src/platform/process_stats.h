#pragma once
// Resource figures of the running process, for benchmarks and diagnostics.

#include <cstdint>

namespace vesk {

// The most resident memory the process has held so far, in bytes; 0 when the platform cannot tell.
int64_t PeakResidentBytes();

}  // namespace vesk
