#pragma once

#include <string>

#include "app/exit_code.h"
#include "session/session_paths.h"

namespace vesk {

// Ends a run on a failed stage: failure report for the waiting viewer (in place of any JSON document),
// "Error: " log entry, the message on standard error with --console. Returns code.
ExitCode ReportFailure(const SessionPaths& paths, const std::string& message, ExitCode code, bool console);

// The run log entry of a failure: "Error: " + message.
std::string FailureLogEntry(const std::string& message);

}  // namespace vesk
