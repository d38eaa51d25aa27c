#pragma once
// The folder separator of the platform the worker runs on. Portable code joins paths with it; the
// parsing rules that accept both "\" and "/" live where the names are parsed.

#include <filesystem>
#include <string>
#include <string_view>

namespace vesk {

// "\" on Windows, "/" elsewhere.
extern const char16_t kPathSeparator;

// folder + separator + name.
inline std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  out.push_back(kPathSeparator);
  out.append(name);
  return out;
}

// The path as the standard library's file streams take it: UTF-8 bytes on POSIX (lone surrogates
// turn back into the raw bytes they stand for), UTF-16 on Windows.
std::filesystem::path NativePath(const std::u16string& path);

}  // namespace vesk
