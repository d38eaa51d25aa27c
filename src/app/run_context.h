#pragma once
// What every step of one run is given.

#include <chrono>
#include <string_view>

#include "app/run_log.h"
#include "app/run_options.h"
#include "platform/timeline.h"
#include "session/session_paths.h"

namespace vesk {

struct RunContext {
  const RunOptions& options;
  const SessionPaths& paths;
  std::chrono::steady_clock::time_point start;  // the instant the run's elapsed time counts from
  Timeline* timeline;                           // where the steps note their times; may be null

  void Log(std::string_view entry) const { RunLog::AppendLine(paths.logPath, entry); }
};

}  // namespace vesk
