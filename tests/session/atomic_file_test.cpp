#include "session/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::u16string U16(const fs::path& path) { return FromUtf8(path.string()); }

fs::path TempOf(const fs::path& path) { return ToUtf8(TemporaryPathFor(U16(path))); }

TEST(WriteFileAtomically, CreatesOrReplacesTheWholeFileAndLeavesNoTemporary) {
  test::ScopedTempDir tmp;
  const fs::path target = tmp.path() / "x.ocr.txt";

  ASSERT_TRUE(WriteFileAtomically(U16(target), "first version, rather long\r\n"));
  EXPECT_EQ(test::ReadFile(target), "first version, rather long\r\n");
  EXPECT_FALSE(fs::exists(TempOf(target)));

  ASSERT_TRUE(WriteFileAtomically(U16(target), "new"));
  EXPECT_EQ(test::ReadFile(target), "new");
  EXPECT_FALSE(fs::exists(TempOf(target)));

  ASSERT_TRUE(WriteFileAtomically(U16(target), ""));
  EXPECT_EQ(test::ReadFile(target), "");
}

// Another run for the same view may be writing its own temporary file right now.
TEST(WriteFileAtomically, AnotherRunsTemporaryFileIsLeftAlone) {
  test::ScopedTempDir tmp;
  const fs::path target = tmp.path() / "x.ocr.txt";
  const fs::path others = tmp.path() / "x.ocr.txt.4294967295.tmp";
  test::WriteFile(others, "another run's text");
  ASSERT_NE(TempOf(target), others);
  ASSERT_TRUE(WriteFileAtomically(U16(target), "mine"));
  EXPECT_EQ(test::ReadFile(target), "mine");
  EXPECT_EQ(test::ReadFile(others), "another run's text");
}

TEST(WriteFileAtomically, BinaryContentAndNonAsciiNamesSurviveIntact) {
  test::ScopedTempDir tmp;
  const fs::path target = tmp.path() / u8"Ärger €.ocr.json";
  const std::string content("a\0b\r\n\xff\xfe", 7);
  ASSERT_TRUE(WriteFileAtomically(U16(target), content));
  EXPECT_EQ(test::ReadFile(target), content);
}

TEST(WriteFileAtomically, MissingFolderFailsAndCreatesNothing) {
  test::ScopedTempDir tmp;
  const fs::path target = tmp.path() / "missing" / "x.ocr.txt";
  EXPECT_FALSE(WriteFileAtomically(U16(target), "content"));
  EXPECT_FALSE(fs::exists(tmp.path() / "missing"));
}

TEST(WriteFileAtomically, RefusedMoveAndCopyFailAndRemoveTheTemporary) {
  test::ScopedTempDir tmp;
  // A folder (with something inside) at the final name can be neither replaced nor overwritten.
  const fs::path target = tmp.path() / "x.ocr.txt";
  fs::create_directory(target);
  test::WriteFile(target / "keep", "keep");
  EXPECT_FALSE(WriteFileAtomically(U16(target), "content"));
  EXPECT_FALSE(fs::exists(TempOf(target)));
  EXPECT_EQ(test::ReadFile(target / "keep"), "keep");
}

SessionPaths PathsIn(const fs::path& folder, const std::u16string& stem) { return SessionPathsIn(U16(folder), stem); }

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

// A run that is moving its files into place holds the view's lock; the start of another run waits for
// it instead of removing the temporary file it is about to move.
TEST(DeleteSessionFiles, WaitsForARunThatIsPublishing) {
  test::ScopedTempDir tmp;
  const SessionPaths paths = PathsIn(tmp.path(), u"d41d8cd9 - a.png");
  const fs::path othersTemp = tmp.path() / "d41d8cd9 - a.png.ocr.txt.77.tmp";
  const FileLockHandle publishing = AcquireFileLock(paths.lockPath, 0);
  ASSERT_NE(publishing, kNoFileLock);
  test::WriteFile(othersTemp, "the other run's report");

  std::thread start([&] { DeleteSessionFiles(paths); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(fs::exists(othersTemp));
  fs::rename(othersTemp, ToUtf8(paths.textPath));
  ReleaseFileLock(publishing);
  start.join();

  // The run that started later cleared the view once the other had finished.
  EXPECT_EQ(FilesIn(tmp.path()), std::vector<std::string>{"d41d8cd9 - a.png.ocr.lock"});
}

}  // namespace
}  // namespace vesk
