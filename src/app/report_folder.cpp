#include "app/report_folder.h"

#include <string>
#include <vector>

#include "app/crash_report.h"
#include "output/text_report.h"
#include "platform/files.h"
#include "platform/text.h"
#include "session/atomic_file.h"

namespace vesk {
namespace {

// The longest failure report a run may have to put in place once the disk is full: the one for a JSON
// document that cannot be written (its path is one unit longer than the text report's).
std::string LongestWriteFailureReport(const SessionPaths& paths) {
  return BuildFailureReport("Failed to write json output: " + ToUtf8(paths.jsonPath));
}

// Whether the folder of `paths` holds nothing of the view's last report and takes this run's prepared one.
bool Settled(const SessionPaths& paths, std::optional<PreparedFailureReport>& prepared, Timeline* timeline) {
  Timed(timeline, "clean session files", [&] {
    DeleteSessionFiles(paths);
    SweepStaleSessionFiles(paths.folder);
  });
  if (GetPathKind(paths.textPath) != PathKind::Missing) return false;
  prepared.emplace(paths, LongestWriteFailureReport(paths));
  if (prepared->ready()) return true;
  prepared.reset();
  return false;
}

}  // namespace

Status SettleReportFolder(SessionPaths& paths, std::optional<PreparedFailureReport>& prepared, bool console,
                          Timeline* timeline) {
  const SessionPaths first = paths;
  std::vector<std::u16string> passedOver;
  while (!Settled(paths, prepared, timeline)) {
    passedOver.push_back(paths.folder);
    std::optional<SessionPaths> next = NextSessionPaths(paths, passedOver);
    if (!next) {
      paths = first;
      ArmCrashReport(paths, console);
      return Status::Failure(FailureKind::OutputWrite, "Failed to write text output: " + ToUtf8(first.textPath) +
                                                           " (no folder can hold a report, so no viewer was started)");
    }
    paths = std::move(*next);
    ArmCrashReport(paths, console);
  }
  return {};
}

}  // namespace vesk
