#pragma once
// Test helpers: a private temporary folder per test, and small file utilities.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk::test {

// Creates a fresh folder under the system temporary directory and points the platform's temporary
// directory (TMPDIR; TMP and TEMP on Windows) at it for the life of the object, so that the code
// under test never touches the real session folder.
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
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;  // variables as they were
};

void WriteFile(const std::filesystem::path& path, std::string_view content);
std::string ReadFile(const std::filesystem::path& path);

// Folder of the built worker, where backend/ and models/ are copied.
std::filesystem::path BinDir();
// The inference runtime of an older release that cannot serve the API the worker asks for.
std::filesystem::path OldBackendDir();
// A program of this build by name, with the platform's suffix (".exe" on Windows).
std::filesystem::path Program(const std::string& name);
// Committed test pictures and their known text.
std::filesystem::path TestDataDir();

}  // namespace vesk::test
