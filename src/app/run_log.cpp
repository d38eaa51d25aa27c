#include "app/run_log.h"

#include <fstream>

#include "platform/path.h"

namespace vesk {

void RunLog::AppendLine(const std::u16string& logPath, std::string_view entry) {
  // Opened and closed per entry so that the log holds everything up to a crash.
  std::ofstream out(NativePath(logPath), std::ios::binary | std::ios::app);
  if (!out) return;
  out.write(entry.data(), static_cast<std::streamsize>(entry.size()));
  out.write(kLineEnd.data(), static_cast<std::streamsize>(kLineEnd.size()));
}

}  // namespace vesk
