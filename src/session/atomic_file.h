#pragma once
// Whole-file replacement of result files, and clean-up of earlier runs' files.

#include <string>
#include <string_view>

#include "session/session_paths.h"

namespace vesk {

// Writes content to path + ".tmp" and moves it over path. True when path holds exactly content;
// on false no temporary file is left behind.
bool WriteFileAtomically(const std::u16string& path, std::string_view content);

// Removes this view's text report, JSON document, run log and both temporary files.
void DeleteSessionFiles(const SessionPaths& paths);

// Removes session files ("*.ocr.*") of any view last written more than seven days ago.
void SweepStaleSessionFiles(const std::u16string& folder);

}  // namespace vesk
