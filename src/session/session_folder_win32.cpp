// The session folder on Windows, whose temporary directory is the user's own.

#include <windows.h>

#include <algorithm>

#include "platform/path.h"
#include "platform/wide_win32.h"
#include "session/session_folder.h"

namespace vesk {

// An existing folder is fine, and a missing parent is not created. When VeskOCR cannot hold a report (a
// full or read-only disk is the same for every folder, but a folder with the wrong permissions is not),
// one more folder of the user's own is tried.
std::u16string ChooseSessionFolder(const std::u16string& tempDir, const std::vector<std::u16string>& passedOver) {
  for (const char16_t* name : {u"VeskOCR", u"VeskOCR-1"}) {
    std::u16string folder = JoinPath(tempDir, name);
    if (std::find(passedOver.begin(), passedOver.end(), folder) != passedOver.end()) continue;
    ::CreateDirectoryW(Wide(folder), nullptr);
    return folder;
  }
  return {};
}

}  // namespace vesk
