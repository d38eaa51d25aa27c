#include "support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/text.h"
#include "support/temp_env.h"

namespace vesk::test {

ScopedTempDir::ScopedTempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("vesk-test-" + std::to_string(rd()) + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      break;
    }
  }
  if (path_.empty()) throw std::runtime_error("cannot create a temporary test folder");
  for (const std::string& name : TempDirectoryVariables()) {
    saved_.emplace_back(name, ReadEnvironment(name));
    WriteEnvironment(name, path_.string());
  }
}

ScopedTempDir::~ScopedTempDir() {
  for (const auto& [name, value] : saved_) WriteEnvironment(name, value);
  std::error_code ec;
  // Tests may leave read-only or foreign-mode folders behind; make them removable first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::u16string ScopedTempDir::u16() const { return FromUtf8(path_.string()); }

void WriteFile(const std::filesystem::path& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::filesystem::path BinDir() { return VESK_BIN_DIR; }
std::filesystem::path OldBackendDir() { return VESK_OLD_BACKEND_DIR; }
std::filesystem::path Program(const std::string& name) { return BinDir() / (name + VESK_EXECUTABLE_SUFFIX); }
std::filesystem::path TestDataDir() { return VESK_TEST_DATA_DIR; }

}  // namespace vesk::test
