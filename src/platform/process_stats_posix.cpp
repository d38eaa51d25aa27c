#include "platform/process_stats.h"

#include <sys/resource.h>

namespace vesk {

int64_t PeakResidentBytes() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
#ifdef __APPLE__
  return static_cast<int64_t>(usage.ru_maxrss);  // already bytes there
#else
  return static_cast<int64_t>(usage.ru_maxrss) * 1024;  // kibibytes on Linux
#endif
}

}  // namespace vesk
