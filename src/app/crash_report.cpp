#include "app/crash_report.h"

#include "app/report_failure.h"
#include "app/run_log.h"
#include "output/text_report.h"

namespace vesk {

CrashNotice PrepareCrashNotice(std::string_view cause, bool console) {
  // Begins like the catch-all's message, so that both read as the same kind of failure.
  const std::string message = "Unexpected failure: the worker stopped unexpectedly (" + std::string(cause) + ")";
  CrashNotice notice;
  notice.report = BuildFailureReport(message);
  notice.logEntry = FailureLogEntry(message) + std::string(RunLog::kLineEnd);
  if (console) notice.consoleLine = message + "\n";
  return notice;
}

}  // namespace vesk
