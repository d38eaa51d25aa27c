#pragma once
// Test helpers: a private temporary folder per test, and small file utilities.

#include <filesystem>
#include <string>
#include <string_view>

namespace vesk::test {

// Creates a fresh folder under the system temporary directory and points TMPDIR at it for the
// life of the object, so that the code under test never touches the real session folder.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::u16string u16() const;

 private:
  std::filesystem::path path_;
  std::string previousTmpdir_;
  bool hadTmpdir_ = false;
};

void WriteFile(const std::filesystem::path& path, std::string_view content);
std::string ReadFile(const std::filesystem::path& path);

// Folder of the built worker, where backend/ and models/ are copied.
std::filesystem::path BinDir();
// Folder prepared by the set-up script (include/, backend/, backend-1.21/, models/).
std::filesystem::path DepsDir();
// Committed test pictures and their known text.
std::filesystem::path TestDataDir();

}  // namespace vesk::test
