#pragma once

#include <chrono>

#include "app/exit_code.h"
#include "app/run_options.h"
#include "platform/timeline.h"
#include "session/session_paths.h"

namespace vesk {

// Runs every stage of one run once, in order; the first failing stage ends the run through ReportFailure.
// With a timeline, every stage notes how long it took. When the session folder of `paths` cannot hold
// this run's report, the run moves to another folder, and `paths` then names the files there.
ExitCode RunWorker(const RunOptions& options, SessionPaths& paths, std::chrono::steady_clock::time_point start,
                   Timeline* timeline = nullptr);

}  // namespace vesk
