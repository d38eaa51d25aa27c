#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/files.h"
#include "platform/text.h"
#include "session/atomic_file.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void Age(const fs::path& path, std::chrono::minutes age) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

constexpr std::chrono::minutes kWeekAndAMinute = 7 * 24h + 1min;

TEST(SweepStaleSessionFiles, RemovesOnlySessionFilesOlderThanSevenDays) {
  test::ScopedTempDir tmp;
  const fs::path& dir = tmp.path();
  for (const char* name : {"old.ocr.txt", "old.ocr.json.tmp", "recent.ocr.txt", "fresh.ocr.log", "notes.txt",
                           "x.ocr", "x.ocrtxt"}) {
    test::WriteFile(dir / name, "x");
    Age(dir / name, kWeekAndAMinute);
  }
  Age(dir / "recent.ocr.txt", 6 * 24h + 23h);
  Age(dir / "fresh.ocr.log", 0min);
  fs::create_directory(dir / "folder.ocr.txt");
  test::WriteFile(dir / "folder.ocr.txt" / "inner.ocr.txt", "x");
  Age(dir / "folder.ocr.txt" / "inner.ocr.txt", kWeekAndAMinute);
  // Where the standard library can set a folder's time (not on Windows), the folder is old too.
  std::error_code ec;
  fs::last_write_time(dir / "folder.ocr.txt", fs::file_time_type::clock::now() - kWeekAndAMinute, ec);

  SweepStaleSessionFiles(tmp.u16());

  EXPECT_FALSE(fs::exists(dir / "old.ocr.txt"));
  EXPECT_FALSE(fs::exists(dir / "old.ocr.json.tmp"));
  EXPECT_TRUE(fs::exists(dir / "recent.ocr.txt"));
  EXPECT_TRUE(fs::exists(dir / "fresh.ocr.log"));
  EXPECT_TRUE(fs::exists(dir / "notes.txt"));
  EXPECT_TRUE(fs::exists(dir / "x.ocr"));
  EXPECT_TRUE(fs::exists(dir / "x.ocrtxt"));
  // A folder named like a session file is neither removed nor entered.
  EXPECT_TRUE(fs::exists(dir / "folder.ocr.txt" / "inner.ocr.txt"));
}

// A lock file is only ever locked, never written, so an old one may be in use right now.
TEST(SweepStaleSessionFiles, RemovesOldLockFilesOnlyWhileNobodyHoldsThem) {
  test::ScopedTempDir tmp;
  const fs::path held = tmp.path() / "held.ocr.lock";
  const fs::path unused = tmp.path() / "unused.ocr.lock";
  const FileLockHandle lock = AcquireFileLock(FromUtf8(held.string()), 0);
  ASSERT_NE(lock, kNoFileLock);
  test::WriteFile(unused, "");
  Age(held, kWeekAndAMinute);
  Age(unused, kWeekAndAMinute);

  SweepStaleSessionFiles(tmp.u16());

  EXPECT_TRUE(fs::exists(held));
  EXPECT_FALSE(fs::exists(unused));
  ReleaseFileLock(lock);
}

TEST(SweepStaleSessionFiles, MissingOrEmptyFolderIsHarmless) {
  test::ScopedTempDir tmp;
  SweepStaleSessionFiles(u"");
  SweepStaleSessionFiles(tmp.u16() + u"/missing");
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

}  // namespace
}  // namespace vesk
