#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "session/atomic_file.h"
#include "session/session_paths.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void Age(const fs::path& path, std::chrono::minutes age) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

constexpr std::chrono::minutes kWeekAndAMinute = 7 * 24h + 1min;

SessionPaths PathsIn(const fs::path& folder, const std::u16string& stem) {
  return SessionPathsIn(FromUtf8(folder.string()), stem);
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Besides the view's own files, temporary files that runs which died while writing left behind go; the
// files of other views stay, also those whose names merely start like this view's.
TEST(DeleteSessionFiles, RemovesThisViewsFilesAndDeadRunsTemporariesOnly) {
  test::ScopedTempDir tmp;
  const SessionPaths paths = PathsIn(tmp.path(), u"d41d8cd9 - a.png");
  for (const std::u16string* path : {&paths.textPath, &paths.jsonPath, &paths.logPath, &paths.textTempPath,
                                     &paths.jsonTempPath, &paths.lockPath}) {
    test::WriteFile(ToUtf8(*path), "x");
  }
  for (const char* name : {"d41d8cd9 - a.png.ocr.txt.123.tmp", "d41d8cd9 - a.png.ocr.json.4567.tmp",
                           "d41d8cd9 - a.png.ocr.txt.tmp", "d41d8cd9 - a.png.ocr.json.tmp",
                           "d41d8cd9 - b.png.ocr.txt", "d41d8cd9 - b.png.ocr.txt.123.tmp",
                           "d41d8cd9 - a.png.ocr.txt.ocr.txt.123.tmp", "d41d8cd9 - a.png.ocr.txt.x1.tmp",
                           "notes.txt"}) {
    test::WriteFile(tmp.path() / name, "x");
  }

  DeleteSessionFiles(paths);

  EXPECT_EQ(FilesIn(tmp.path()),
            (std::vector<std::string>{"d41d8cd9 - a.png.ocr.lock", "d41d8cd9 - a.png.ocr.txt.ocr.txt.123.tmp",
                                      "d41d8cd9 - a.png.ocr.txt.x1.tmp", "d41d8cd9 - b.png.ocr.txt",
                                      "d41d8cd9 - b.png.ocr.txt.123.tmp", "notes.txt"}));

  // Nothing to delete is fine too.
  DeleteSessionFiles(paths);
}

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
