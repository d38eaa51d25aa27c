#include "runtime/ort_platform.h"

namespace vesk {

extern const char16_t kOrtLibraryFile[] = u"onnxruntime.dll";

// wchar_t is a UTF-16 unit on Windows, so the units pass over unchanged.
std::basic_string<ORTCHAR_T> OrtPath(const std::u16string& path) { return std::wstring(path.begin(), path.end()); }

}  // namespace vesk
