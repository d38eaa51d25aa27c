#include "session/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
}  // namespace vesk
