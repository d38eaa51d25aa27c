#include "session/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::u16string U16(const fs::path& path) { return FromUtf8(path.string()); }

fs::path TempOf(const fs::path& path) { return fs::path(path.string() + ".tmp"); }

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

TEST(DeleteSessionFiles, RemovesThisViewsFilesOnly) {
  test::ScopedTempDir tmp;
  const auto at = [&](const char* name) { return tmp.path() / name; };
  SessionPaths paths;
  paths.folder = tmp.u16();
  paths.stem = u"d41d8cd9 - a.png";
  paths.textPath = U16(at("d41d8cd9 - a.png.ocr.txt"));
  paths.jsonPath = U16(at("d41d8cd9 - a.png.ocr.json"));
  paths.logPath = U16(at("d41d8cd9 - a.png.ocr.log"));
  paths.textTempPath = U16(at("d41d8cd9 - a.png.ocr.txt.tmp"));
  paths.jsonTempPath = U16(at("d41d8cd9 - a.png.ocr.json.tmp"));
  for (const char* name : {"d41d8cd9 - a.png.ocr.txt", "d41d8cd9 - a.png.ocr.json", "d41d8cd9 - a.png.ocr.log",
                           "d41d8cd9 - a.png.ocr.txt.tmp", "d41d8cd9 - a.png.ocr.json.tmp",
                           "d41d8cd9 - b.png.ocr.txt", "notes.txt"}) {
    test::WriteFile(at(name), "x");
  }

  DeleteSessionFiles(paths);

  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(tmp.path())) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"d41d8cd9 - b.png.ocr.txt", "notes.txt"}));

  // Nothing to delete is fine too.
  DeleteSessionFiles(paths);
}

}  // namespace
}  // namespace vesk
