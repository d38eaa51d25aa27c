#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/text.h"

namespace vesk::test {

ScopedTempDir::ScopedTempDir() {
  if (const char* old = std::getenv("TMPDIR")) {
    hadTmpdir_ = true;
    previousTmpdir_ = old;
  }
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
  setenv("TMPDIR", path_.c_str(), 1);
}

ScopedTempDir::~ScopedTempDir() {
  if (hadTmpdir_) {
    setenv("TMPDIR", previousTmpdir_.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
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
std::filesystem::path DepsDir() { return VESK_DEPS_DIR; }
std::filesystem::path TestDataDir() { return VESK_TEST_DATA_DIR; }

}  // namespace vesk::test
