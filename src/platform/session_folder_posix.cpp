// The session folder on POSIX. The temporary directory is shared between users there, and anybody can
// plant a folder, or a link, named like the session folder to read the results or redirect the worker's
// writes. So a folder is used only when it is the user's own closed one; anything else is left alone
// (never changed, never removed) and the next candidate is tried: a per-user name, then a freshly made
// unique folder.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/text.h"

namespace vesk {
namespace {

enum class FolderState {
  Private,      // a real folder (not a link to one), owned by the current user, closed to everybody else
  Unavailable,  // nothing is there and nothing could be created
  Foreign,      // something is there that is not such a folder
};

// Creates path (mode private to the user, parent not created) unless something exists there, then
// examines what is there.
FolderState EnsurePrivateDirectory(const std::u16string& path) {
  if (path.empty()) return FolderState::Unavailable;
  const std::string native = ToUtf8(path);
  // Whatever mkdir reports, what is there now decides: it may have existed all along.
  ::mkdir(native.c_str(), 0700);
  struct stat st {};
  if (::lstat(native.c_str(), &st) != 0) return FolderState::Unavailable;
  const bool mine = S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
  return mine ? FolderState::Private : FolderState::Foreign;
}

// A new private folder named prefix + a unique suffix; empty when none could be made.
std::u16string CreateUniquePrivateDirectory(const std::u16string& prefix) {
  std::string name = ToUtf8(prefix) + "XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) return {};
  return FromUtf8(name);
}

}  // namespace

std::u16string CreateSessionFolder(const std::u16string& preferred) {
  const std::u16string perUser = preferred + u"-" + FromUtf8(std::to_string(::geteuid()));
  const FolderState sharedState = EnsurePrivateDirectory(preferred);
  if (sharedState == FolderState::Private) return preferred;
  const FolderState perUserState = EnsurePrivateDirectory(perUser);
  if (perUserState == FolderState::Private) return perUser;
  std::u16string fresh = CreateUniquePrivateDirectory(perUser + u"-");
  if (!fresh.empty()) return fresh;
  // When nothing can be made at all, the first name with nothing behind it is returned.
  if (sharedState == FolderState::Unavailable) return preferred;
  if (perUserState == FolderState::Unavailable) return perUser;
  // The unique folder could not be created under this very name, so nothing stands behind it.
  return perUser + u"-XXXXXX";
}

}  // namespace vesk
