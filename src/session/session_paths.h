#pragma once
// Where a run's files live and how they are named.

#include <optional>
#include <string>
#include <vector>

namespace vesk {

struct SessionPaths {
  std::u16string folder;        // temporary directory + "VeskOCR" (a per-user folder when that is not private)
  std::u16string stem;          // 8-digit folder digest + " - " + sanitised file name
  std::u16string textPath;      // <folder>/<stem>.ocr.txt, the file the viewer waits for
  std::u16string jsonPath;      // <folder>/<stem>.ocr.json
  std::u16string logPath;       // <folder>/<stem>.ocr.log
  std::u16string textTempPath;  // <folder>/<stem>.ocr.txt.<run>.tmp, this run's temporary text report
  std::u16string jsonTempPath;  // <folder>/<stem>.ocr.json.<run>.tmp
  std::u16string failTempPath;  // <folder>/<stem>.ocr.fail.<run>.tmp, this run's prepared failure report
  std::u16string lockPath;      // <folder>/<stem>.ocr.lock, the view's lock file (see view_lock.h)
};

// Names every session file of the viewed file and creates the session folder. Cannot fail.
SessionPaths MakeSessionPaths(const std::u16string& inputPath);

// The same view's files in the next folder that may hold them, for a run whose folder cannot hold a report:
// the folders in passedOver (those found unusable so far) are not chosen again. Another folder of the
// user's own under the temporary directory comes first, then one under the platform's default temporary
// directory. Nothing when no folder is left.
std::optional<SessionPaths> NextSessionPaths(const SessionPaths& paths, const std::vector<std::u16string>& passedOver);

// The file paths of the view with this stem in this folder (no folder is created).
SessionPaths SessionPathsIn(const std::u16string& folder, const std::u16string& stem);

// First eight hex digits of the MD5 of the viewed file's folder (case- and slash-folded).
std::u16string DirectoryDigestPrefix(const std::u16string& inputPath);

// The viewed file's name made safe as a file name; never empty. Short enough that every session file
// name built on it fits the platform's limit for a file name.
std::u16string SanitizeFileName(const std::u16string& inputPath);

// Folder of the running executable, without a trailing separator.
std::u16string ExecutableDirectory();

}  // namespace vesk
