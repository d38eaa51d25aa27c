#pragma once
// A failure report made ready before the viewer is started.
//
// The viewer waits for the text report. When the disk fills up during a run, the report (or the failure
// report that should take its place) can no longer be written, and the viewer would wait in vain. So
// before the viewer is started, the run writes a failure report of the largest size it may need under a
// temporary name of its own: the folder either holds it (and then a report can always reach the viewer,
// since overwriting it and moving it onto the report's name need no new space), or the run knows at once
// that this folder cannot serve and looks for another.

#include <string>
#include <string_view>

#include "session/session_paths.h"

namespace vesk {

class PreparedFailureReport {
 public:
  // Writes `bytes` as this run's prepared report (paths.failTempPath).
  PreparedFailureReport(const SessionPaths& paths, std::string_view bytes);
  // Removes the prepared file unless it was used.
  ~PreparedFailureReport();
  PreparedFailureReport(const PreparedFailureReport&) = delete;
  PreparedFailureReport& operator=(const PreparedFailureReport&) = delete;

  // Whether the folder holds the prepared report: false when it is full, read-only or closed to us.
  bool ready() const { return ready_; }

  // Puts `report` in place of the text report by way of the prepared file: written over it and moved onto
  // the text report's name. A report longer than the prepared one is cut at the last whole character that
  // fits, so that no new space is needed. False when nothing was prepared or the file system refused even
  // that; the prepared file is then gone all the same.
  bool PutInPlace(std::string_view report);

 private:
  std::u16string path_;
  std::u16string textPath_;
  size_t size_ = 0;
  bool ready_ = false;
};

// The longest prefix of `text` of at most `limit` bytes that does not end inside a UTF-8 sequence.
std::string_view CutAtCharacter(std::string_view text, size_t limit);

}  // namespace vesk
