#pragma once
// The folder separator of the platform the worker runs on. Portable code joins paths with it; the
// parsing rules that accept both "\" and "/" live where the names are parsed.

#include <string>
#include <string_view>

namespace vesk {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

// folder + separator + name.
inline std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  out.push_back(kPathSeparator);
  out.append(name);
  return out;
}

}  // namespace vesk
