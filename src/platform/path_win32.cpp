#include "platform/path.h"

namespace vesk {

extern const char16_t kPathSeparator = u'\\';

// wchar_t is a UTF-16 unit on Windows, so the units pass over unchanged.
std::filesystem::path NativePath(const std::u16string& path) {
  return std::filesystem::path(std::wstring(path.begin(), path.end()));
}

}  // namespace vesk
