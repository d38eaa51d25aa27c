#include "app/report_failure.h"

#include "app/console.h"
#include "app/run_log.h"
#include "output/text_report.h"

namespace vesk {

ExitCode ReportFailure(const SessionPaths& paths, const std::string& message, ExitCode code, bool console) {
  // Nothing more can be done when the report itself cannot be written; the exit code still tells.
  WriteFailureReport(paths.textPath, message);
  RunLog::AppendLine(paths.logPath, FailureLogEntry(message));
  if (console) WriteErrorLine(message);
  return code;
}

std::string FailureLogEntry(const std::string& message) { return "Error: " + message; }

}  // namespace vesk
