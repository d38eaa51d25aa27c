#pragma once
// Whole-file replacement of result files, and clean-up of earlier runs' files.

#include <cstddef>
#include <string>
#include <string_view>

#include "session/session_paths.h"

namespace vesk {

// The temporary name under which this process writes path: path + "." + the process's tag + ".tmp".
// Each run has names of its own, so two runs for one view never write into each other's file.
std::u16string TemporaryPathFor(const std::u16string& path);

// The most units TemporaryPathFor adds to a path: "." + a tag of up to 10 digits + ".tmp".
inline constexpr size_t kMaxTemporarySuffixLength = 15;

// Writes content to TemporaryPathFor(path) and moves it over path. True when path holds exactly
// content; on false no temporary file is left behind. Callers that publish a view's files hold its
// ViewLock around the call (see view_lock.h).
bool WriteFileAtomically(const std::u16string& path, std::string_view content);

// Removes this view's text report, JSON document and run log, and the temporary files that runs which
// died while writing left behind. A temporary file of a run that is still writing is never removed.
void DeleteSessionFiles(const SessionPaths& paths);

// Removes session files ("*.ocr.*") of any view last written more than seven days ago; a lock file
// only while nobody holds it.
void SweepStaleSessionFiles(const std::u16string& folder);

}  // namespace vesk
