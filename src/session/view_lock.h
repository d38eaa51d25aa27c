#pragma once
// The lock that keeps overlapping runs for one viewed file from mixing their files.
//
// Runs for the same viewed file may overlap (the user asks twice in quick succession). Each run writes
// its result files under temporary names of its own (TemporaryPathFor) and moves them into place. The
// view's lock file, "<stem>.ocr.lock" beside the session files, orders the steps that change what the
// view's files hold:
//
// - a run holds the lock while it clears the view's files at its start (DeleteSessionFiles), while it
//   writes and moves into place its JSON document and then its text report, and while it puts a
//   failure report in place of the text report, removing the JSON document beside it (which may be
//   another run's: a failure report never stands beside a JSON document);
// - a run's temporary files exist only while it holds the lock, so a temporary file that whoever holds
//   the lock finds was left by a run that died, and may be removed;
// - so whenever nobody holds the lock, the JSON document and the text report come from one run. A
//   reader that wants the pair takes the lock while it reads both.
//
// The run log is outside this: each run appends its entries as they happen.
//
// The lock is waited for a bounded time only. A run that cannot have it goes on without it, since the
// viewer must get a report whatever happens: every file is still replaced whole; only the pairing of
// the two files and the removal of other runs' temporary files are given up then.

#include "platform/files.h"
#include "session/session_paths.h"

namespace vesk {

class ViewLock {
 public:
  // Takes the lock of the view, waiting a few seconds at most for a run that holds it.
  explicit ViewLock(const SessionPaths& paths);
  ~ViewLock();
  ViewLock(const ViewLock&) = delete;
  ViewLock& operator=(const ViewLock&) = delete;

  bool held() const { return lock_ != kNoFileLock; }

 private:
  FileLockHandle lock_;
};

}  // namespace vesk
