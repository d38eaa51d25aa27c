#include "session/view_lock.h"

namespace vesk {
namespace {

// Runs hold the lock only while they move a few small files, so a longer wait means a run that hangs.
constexpr int kViewLockWaitMs = 10000;

}  // namespace

ViewLock::ViewLock(const SessionPaths& paths) : lock_(AcquireFileLock(paths.lockPath, kViewLockWaitMs)) {}

ViewLock::~ViewLock() { ReleaseFileLock(lock_); }

}  // namespace vesk
