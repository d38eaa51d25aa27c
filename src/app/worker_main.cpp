#include "app/worker_main.h"

#include <exception>
#include <memory>

#include "app/command_line.h"
#include "app/console.h"
#include "app/crash_report.h"
#include "app/exit_code.h"
#include "app/report_failure.h"
#include "app/run_worker.h"
#include "core/status.h"
#include "platform/text.h"
#include "platform/timeline.h"
#include "session/atomic_file.h"
#include "session/session_paths.h"

namespace vesk {

int WorkerMain(std::chrono::steady_clock::time_point start, const std::vector<std::u16string>& args) {
  const RunOptions options = ParseCommandLine(args);
  if (options.console) AttachParentConsole();
  if (!options.valid) {
    if (options.console) {
      WriteErrorLine("Error: " + ToUtf8(options.error));
      WriteErrorLine(kUsageLine);
    }
    return static_cast<int>(ExitCode::InvalidArguments);
  }

  SessionPaths paths = MakeSessionPaths(options.inputPath);
  // From here on even a crash leaves the viewer a failure report.
  ArmCrashReport(paths, options.console);
  // A development aid: the timeline is written whatever the outcome, and its own failure is ignored.
  std::unique_ptr<Timeline> timeline;
  if (!options.timelinePath.empty()) timeline = std::make_unique<Timeline>(start);
  ExitCode code;
  try {
    code = RunWorker(options, paths, start, timeline.get());
  } catch (const std::exception& e) {
    const std::string message = std::string("Unexpected failure: ") + e.what();
    code = ReportFailure(paths, Status::Failure(FailureKind::Unexpected, message), options.console);
  } catch (...) {
    code = ReportFailure(paths, Status::Failure(FailureKind::Unexpected, "Unexpected failure"), options.console);
  }
  DisarmCrashReport();
  if (timeline) WriteFileAtomically(options.timelinePath, timeline->Text());
  return static_cast<int>(code);
}

}  // namespace vesk
