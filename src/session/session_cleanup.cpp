#include <cstdint>

#include "platform/files.h"
#include "platform/path.h"
#include "session/atomic_file.h"

namespace vesk {
namespace {

constexpr uint64_t kStaleAge = 7ull * 24 * 60 * 60 * 10'000'000;  // seven days in 100-ns units

}  // namespace

void DeleteSessionFiles(const SessionPaths& paths) {
  // Most of them do not exist, and one the viewer still holds simply stays.
  for (const std::u16string* path :
       {&paths.textPath, &paths.jsonPath, &paths.logPath, &paths.textTempPath, &paths.jsonTempPath}) {
    RemoveFile(*path);
  }
}

void SweepStaleSessionFiles(const std::u16string& folder) {
  if (folder.empty()) return;
  const uint64_t now = CurrentFileTime();
  if (now <= kStaleAge) return;
  const uint64_t cutOff = now - kStaleAge;
  for (const FoundEntry& entry : FindEntries(folder, u"*.ocr.*")) {
    if (entry.isDirectory || entry.lastWrite >= cutOff) continue;
    RemoveFile(JoinPath(folder, entry.name));
  }
}

}  // namespace vesk
