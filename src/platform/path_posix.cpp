#include "platform/path.h"

#include "platform/text.h"

namespace vesk {

extern const char16_t kPathSeparator = u'/';

std::filesystem::path NativePath(const std::u16string& path) { return std::filesystem::path(ToUtf8(path)); }

}  // namespace vesk
