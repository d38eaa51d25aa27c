#include <sys/stat.h>

#include "platform/files.h"
#include "platform/text.h"

namespace vesk {

PathKind GetPathKind(const std::u16string& path) {
  struct stat st {};
  if (path.empty() || ::stat(ToUtf8(path).c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::File;
}

}  // namespace vesk
