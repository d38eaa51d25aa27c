#include <windows.h>
#include <psapi.h>

#include "platform/process_stats.h"

namespace vesk {

int64_t PeakResidentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<int64_t>(counters.PeakWorkingSetSize);
}

}  // namespace vesk
