#pragma once

#include <string>

#include "app/exit_code.h"
#include "core/status.h"
#include "session/prepared_report.h"
#include "session/session_paths.h"

namespace vesk {

// Ends a run on a failure: failure report for the waiting viewer (in place of any JSON document),
// "Error: " log entry, the message on standard error with --console. Returns the exit code of the
// failure's kind. When the report cannot be written (the disk filled up during the run), the run's
// prepared failure report, if it has one, is put in its place.
ExitCode ReportFailure(const SessionPaths& paths, const Status& failure, bool console,
                       PreparedFailureReport* prepared = nullptr);

// The run log entry of a failure: "Error: " + message.
std::string FailureLogEntry(const std::string& message);

}  // namespace vesk
