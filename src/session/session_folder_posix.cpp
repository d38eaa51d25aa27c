// The session folder on POSIX, where the temporary directory is shared between users.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/private_folder_posix.h"
#include "session/session_folder.h"

namespace vesk {
namespace {

bool Contains(const std::vector<std::u16string>& folders, const std::u16string& folder) {
  return std::find(folders.begin(), folders.end(), folder) != folders.end();
}

// Whether folder is ours to use: our own closed folder that this run has not already found unusable.
bool Usable(const std::u16string& folder, FolderState state, const std::vector<std::u16string>& passedOver) {
  return state == FolderState::Private && !Contains(passedOver, folder);
}

// A unique folder that an earlier run made (see below) and that is still our own closed folder, so that
// runs share one instead of leaving a new one behind every time. Every run picks the same one: the
// first by name. Empty when there is none.
std::u16string ReusableFallbackFolder(const std::u16string& tempDir, const std::u16string& namePrefix,
                                      const std::vector<std::u16string>& passedOver) {
  std::vector<std::u16string> names;
  for (const FoundEntry& entry : FindEntries(tempDir, namePrefix + u"??????")) {
    if (entry.isDirectory) names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  for (const std::u16string& name : names) {
    std::u16string folder = JoinPath(tempDir, name);
    if (!Contains(passedOver, folder) && EnsurePrivateDirectory(folder) == FolderState::Private) return folder;
  }
  return {};
}

}  // namespace

// On a shared temporary directory anybody can plant a folder, or a link, named VeskOCR to read the
// results or redirect the worker's writes. So a candidate is used only when it is our own closed
// folder; anything else there is left alone (never changed, never removed) and the next candidate is
// tried: a per-user name, then a unique folder (the one an earlier run made, when there is one). When
// nothing can be made at all, the first name with nothing behind it is returned: writes into it fail
// and are reported as such.
std::u16string ChooseSessionFolder(const std::u16string& tempDir, const std::vector<std::u16string>& passedOver) {
  const std::u16string shared = JoinPath(tempDir, u"VeskOCR");
  const std::u16string perUserName = u"VeskOCR-" + CurrentUserTag();
  const std::u16string perUser = JoinPath(tempDir, perUserName);
  const FolderState sharedState = EnsurePrivateDirectory(shared);
  if (Usable(shared, sharedState, passedOver)) return shared;
  const FolderState perUserState = EnsurePrivateDirectory(perUser);
  if (Usable(perUser, perUserState, passedOver)) return perUser;
  std::u16string reused = ReusableFallbackFolder(tempDir, perUserName + u"-", passedOver);
  if (!reused.empty()) return reused;
  // A second look makes no new unique folder: where the folders it has cannot hold a report, the disk is
  // full or read-only, and each run would leave one more empty folder behind.
  if (!passedOver.empty()) return {};
  std::u16string fresh = CreateUniquePrivateDirectory(perUser + u"-");
  if (!fresh.empty()) return fresh;
  if (sharedState == FolderState::Unavailable) return shared;
  if (perUserState == FolderState::Unavailable) return perUser;
  // The unique folder could not be created under this very name, so nothing stands behind it.
  return perUser + u"-XXXXXX";
}

}  // namespace vesk
