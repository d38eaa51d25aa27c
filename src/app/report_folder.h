#pragma once
// The first thing a run settles: a session folder that can hold its report.

#include <optional>

#include "core/status.h"
#include "platform/timeline.h"
#include "session/prepared_report.h"
#include "session/session_paths.h"

namespace vesk {

// Clears what an earlier run of the view left in the session folder and prepares this run's failure
// report there, before the viewer is started on that folder's report. A folder that cannot take the
// prepared report (full, read-only, closed to us), or whose previous report could not be removed (the
// viewer would show it as this run's), is passed over for the next folder of the user's own: `paths` then
// names the files there, and the crash report writes there too. Fails (OutputWrite) when no folder is
// left; then no viewer may be started.
Status SettleReportFolder(SessionPaths& paths, std::optional<PreparedFailureReport>& prepared, bool console,
                          Timeline* timeline);

}  // namespace vesk
