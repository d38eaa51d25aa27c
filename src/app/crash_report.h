#pragma once
// The last-resort failure report. When the worker dies of something no stage can catch (a fault inside a
// library, a failed assertion or abort, a floating-point trap, an exception that escapes every handler),
// the waiting viewer still gets a failure report, the run log a matching entry, and the process ends with
// exit code 4 (RecognitionFailed) instead of leaving the viewer to wait out its time-out.
//
// ArmCrashReport prepares everything while the process is sound: the paths in the platform's own form and,
// for every cause it can name, the exact bytes to write. The platform's handlers then only write those
// bytes, with calls that are safe in a dying process, in this order:
//   1. the failure report into the text report's temporary file, moved over the text report (written in
//      place when the move is refused, as WriteFileAtomically does), and the JSON document removed, both
//      under the view's lock when it can be had soon; the JSON document's temporary file, possibly half
//      written, is removed;
//   2. the "Error: " entry appended to the run log;
//   3. with --console, the message on standard error;
//   4. the end of the process with exit code 4.
// A fault inside a handler ends the process the platform's default way.
//
// POSIX (crash_report_posix.cpp): handlers for SIGSEGV, SIGBUS, SIGABRT, SIGFPE and SIGILL on an alternate
// stack (so that a stack overflow is reported too), using only async-signal-safe calls; std::terminate is
// routed to abort(). Windows: an unhandled-exception filter (SetUnhandledExceptionFilter) naming the
// exception code, plus SIGABRT and std::terminate handlers, writing with CreateFileW / WriteFile /
// MoveFileExW and ending with TerminateProcess(GetCurrentProcess(), 4).

#include <string>
#include <string_view>

#include "session/session_paths.h"

namespace vesk {

// What a handler writes for one cause, prepared in advance.
struct CrashNotice {
  std::string report;       // the whole failure report
  std::string logEntry;     // the run log entry with its line end
  std::string consoleLine;  // the message and a newline; empty without --console
};

// The notice for a cause such as "SIGSEGV, segmentation fault": the message is
// "Unexpected failure: the worker stopped unexpectedly (" + cause + ")".
CrashNotice PrepareCrashNotice(std::string_view cause, bool console);

// Installs the handlers for this run's files. Called once the session paths are known, before the first
// stage that can fail this way.
void ArmCrashReport(const SessionPaths& paths, bool console);

// Restores the handling that was in place before ArmCrashReport. Called once the run has reported its
// outcome, so that a fault while the process exits cannot replace that report.
void DisarmCrashReport();

}  // namespace vesk
