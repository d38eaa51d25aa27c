#include <windows.h>

#include "platform/files.h"
#include "platform/wide_win32.h"

namespace vesk {

// The temporary directory of a Windows user is the user's own, so the folder is simply made there. An
// existing folder is fine, and a missing parent is not created.
std::u16string CreateSessionFolder(const std::u16string& preferred) {
  ::CreateDirectoryW(Wide(preferred), nullptr);
  return preferred;
}

}  // namespace vesk
