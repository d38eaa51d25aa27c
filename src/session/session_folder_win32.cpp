// The session folder on Windows, whose temporary directory is the user's own.

#include <windows.h>

#include "platform/path.h"
#include "platform/wide_win32.h"
#include "session/session_folder.h"

namespace vesk {

// An existing folder is fine, and a missing parent is not created.
std::u16string ChooseSessionFolder(const std::u16string& tempDir) {
  std::u16string folder = JoinPath(tempDir, u"VeskOCR");
  ::CreateDirectoryW(Wide(folder), nullptr);
  return folder;
}

}  // namespace vesk
