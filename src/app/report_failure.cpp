#include "app/report_failure.h"

#include "app/console.h"
#include "app/run_log.h"
#include "output/text_report.h"
#include "platform/files.h"
#include "session/view_lock.h"

namespace vesk {

ExitCode ReportFailure(const SessionPaths& paths, const Status& failure, bool console,
                       PreparedFailureReport* prepared) {
  const std::string& message = failure.message();
  {
    // A JSON document beside the failure report would belong to another run, or describe a run that did
    // not complete; the viewer gets the failure alone (see view_lock.h).
    const ViewLock lock(paths);
    RemoveFile(paths.jsonPath);
    // When even the prepared report cannot be put in place, nothing more can be done; the exit code still
    // tells.
    if (!WriteFailureReport(paths.textPath, message) && prepared != nullptr) {
      prepared->PutInPlace(BuildFailureReport(message));
    }
  }
  RunLog::AppendLine(paths.logPath, FailureLogEntry(message));
  if (console) WriteErrorLine(message);
  return ExitCodeFor(failure.kind());
}

std::string FailureLogEntry(const std::string& message) { return "Error: " + message; }

}  // namespace vesk
