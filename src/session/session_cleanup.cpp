#include <cstdint>
#include <string_view>

#include "platform/files.h"
#include "platform/path.h"
#include "session/atomic_file.h"
#include "session/view_lock.h"

namespace vesk {
namespace {

constexpr uint64_t kStaleAge = 7ull * 24 * 60 * 60 * 10'000'000;  // seven days in 100-ns units

bool IsDigits(std::u16string_view text) {
  if (text.empty()) return false;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

// Whether name is a temporary file of the view with this stem: "<stem>.ocr.txt.<run>.tmp",
// "<stem>.ocr.json.<run>.tmp" or "<stem>.ocr.fail.<run>.tmp" of any run, or the older form without the run. Matched exactly, since a
// wildcard would also take in views whose names merely start like this one's.
bool IsTemporaryOfView(std::u16string_view name, std::u16string_view stem) {
  if (!name.starts_with(stem) || !name.ends_with(u".tmp")) return false;
  std::u16string_view middle = name.substr(stem.size(), name.size() - stem.size() - 4);
  if (middle.starts_with(u".ocr.txt")) {
    middle.remove_prefix(8);
  } else if (middle.starts_with(u".ocr.json") || middle.starts_with(u".ocr.fail")) {
    middle.remove_prefix(9);
  } else {
    return false;
  }
  return middle.empty() || (middle.front() == u'.' && IsDigits(middle.substr(1)));
}

}  // namespace

void DeleteSessionFiles(const SessionPaths& paths) {
  const ViewLock lock(paths);
  // Most of them do not exist, and one the viewer still holds simply stays.
  for (const std::u16string* path :
       {&paths.textPath, &paths.jsonPath, &paths.logPath, &paths.textTempPath, &paths.jsonTempPath}) {
    RemoveFile(*path);
  }
  // Other runs' temporary files exist only while those runs hold the lock; without it, one of them may
  // be writing right now.
  if (!lock.held()) return;
  for (const FoundEntry& entry : FindEntries(paths.folder, u"*.ocr.*")) {
    if (!entry.isDirectory && IsTemporaryOfView(entry.name, paths.stem)) RemoveFile(JoinPath(paths.folder, entry.name));
  }
}

void SweepStaleSessionFiles(const std::u16string& folder) {
  if (folder.empty()) return;
  const uint64_t now = CurrentFileTime();
  if (now <= kStaleAge) return;
  const uint64_t cutOff = now - kStaleAge;
  for (const FoundEntry& entry : FindEntries(folder, u"*.ocr.*")) {
    if (entry.isDirectory || entry.lastWrite >= cutOff) continue;
    const std::u16string path = JoinPath(folder, entry.name);
    // A lock file is written once and then only locked, so its age says nothing about its use.
    if (std::u16string_view(entry.name).ends_with(u".ocr.lock")) {
      RemoveUnusedLockFile(path);
    } else {
      RemoveFile(path);
    }
  }
}

}  // namespace vesk
