// The session folder on Windows, whose temporary directory is the user's own.

#include <windows.h>

#include <algorithm>

#include "platform/path.h"
#include "platform/wide_win32.h"
#include "session/session_folder.h"

namespace vesk {

// An existing folder is fine, and a missing parent is not created. When VeskOCR cannot hold a report (a
// folder with the wrong permissions, or a previous report that a viewer still holds open and so cannot be
// removed), the folders VeskOCR-1 to VeskOCR-9 of the user's own are tried in turn: a few viewers may
// still be showing earlier reports.
std::u16string ChooseSessionFolder(const std::u16string& tempDir, const std::vector<std::u16string>& passedOver) {
  for (int n = 0; n <= 9; ++n) {
    std::u16string folder = JoinPath(tempDir, u"VeskOCR");
    if (n > 0) folder += u"-" + std::u16string(1, static_cast<char16_t>(u'0' + n));
    if (std::find(passedOver.begin(), passedOver.end(), folder) != passedOver.end()) continue;
    ::CreateDirectoryW(Wide(folder), nullptr);
    return folder;
  }
  return {};
}

}  // namespace vesk
