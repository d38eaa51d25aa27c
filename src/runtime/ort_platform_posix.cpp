#include "platform/text.h"
#include "runtime/ort_platform.h"

namespace vesk {

extern const char16_t kOrtLibraryFile[] = u"libonnxruntime.so.1";

std::basic_string<ORTCHAR_T> OrtPath(const std::u16string& path) { return ToUtf8(path); }

}  // namespace vesk
