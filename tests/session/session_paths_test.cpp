#include "session/session_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "session/atomic_file.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(SanitizeFileName, ReservedDeviceNamesArePrefixedOnlyAsWholeNames) {
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\con"), u"_con");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\Com7"), u"_Com7");
  EXPECT_EQ(SanitizeFileName(u"C:/docs/lpt9"), u"_lpt9");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\CON.txt"), u"CON.txt");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\COM10"), u"COM10");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\COM0"), u"COM0");
  // Trailing dots and spaces go first, so what is left is what gets compared.
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\nul. "), u"_nul");
}

TEST(SanitizeFileName, TrailingDotsAndSpacesGoAndNothingLeftGivesUnnamed) {
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\name. ."), u"name");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\name. . "), u"name");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\ .x"), u" .x");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\"), u"unnamed");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\..."), u"unnamed");
  EXPECT_EQ(SanitizeFileName(u""), u"unnamed");
}

TEST(SanitizeFileName, UnsafeUnitsBecomeUnderscoresAfterTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\a|b<c>.txt"), u"a_b_c_.txt");
  EXPECT_EQ(SanitizeFileName(u"x\"y*z:w?v"), u"x_y_z_w_v");
  EXPECT_EQ(SanitizeFileName(std::u16string(u"a\x01" u"b\x1f" u"c\x7f", 6)), u"a_b_c\x7f");
  EXPECT_EQ(SanitizeFileName(u"C:/a\\b/c.txt"), u"c.txt");
  EXPECT_EQ(SanitizeFileName(u"C:\\a/b\\c.txt"), u"c.txt");
  EXPECT_EQ(SanitizeFileName(u"report.pdf"), u"report.pdf");
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\Ärger €.png"), u"Ärger €.png");
}

TEST(SanitizeFileName, LongNamesKeepEightyUnitsThenLoseTrailingDotsAndSpaces) {
  EXPECT_EQ(SanitizeFileName(u"C:\\docs\\" + std::u16string(100, u'a')), std::u16string(80, u'a'));
  EXPECT_EQ(SanitizeFileName(std::u16string(78, u'a') + u". " + std::u16string(20, u'b')), std::u16string(78, u'a'));
  EXPECT_EQ(SanitizeFileName(std::u16string(80, u'.') + u"x"), u"unnamed");
  EXPECT_EQ(SanitizeFileName(std::u16string(80, u'a')), std::u16string(80, u'a'));
}

std::u16string Repeat(std::u16string_view text, size_t times) {
  std::u16string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

constexpr char16_t kHan[] = u"\u4E2D";         // three bytes of UTF-8
constexpr char16_t kEmoji[] = u"\U0001F600";   // a surrogate pair, four bytes of UTF-8

TEST(SanitizeFileName, EightyUnitCutNeverSplitsASurrogatePair) {
  EXPECT_EQ(SanitizeFileName(std::u16string(79, u'a') + kEmoji + u"b"), std::u16string(79, u'a'));
  EXPECT_EQ(SanitizeFileName(std::u16string(78, u'a') + kEmoji + u"b"), std::u16string(78, u'a') + kEmoji);
  EXPECT_EQ(SanitizeFileName(Repeat(kEmoji, 50)), Repeat(kEmoji, 40));
}

// Eighty units of non-Latin script are more bytes than a POSIX file name may hold once the digest,
// ".ocr.json" and a temporary suffix are added (on Windows too, for folders on POSIX file systems): the
// name is cut to what fits, at a character boundary.
TEST(SanitizeFileName, NonLatinNamesAreCutToTheFileNameLimit) {
  // 255 bytes less 35 for the rest of the longest session file name leave 220: 73 characters of 3 bytes.
  EXPECT_EQ(SanitizeFileName(u"/home/u/" + Repeat(kHan, 77) + u".txt"), Repeat(kHan, 73));
  EXPECT_EQ(SanitizeFileName(Repeat(kHan, 62) + Repeat(kEmoji, 9)), Repeat(kHan, 62) + Repeat(kEmoji, 8));
  EXPECT_EQ(SanitizeFileName(Repeat(kHan, 60) + Repeat(kEmoji, 10)), Repeat(kHan, 60) + Repeat(kEmoji, 10));
  // What the cut leaves at the end is trimmed as usual.
  EXPECT_EQ(SanitizeFileName(Repeat(kHan, 72) + u". " + Repeat(kHan, 5)), Repeat(kHan, 72));
}

TEST(DirectoryDigestPrefix, FoldsSlashesAndAsciiCaseButNothingElse) {
  EXPECT_EQ(DirectoryDigestPrefix(u"C:/Docs/x.png"), u"c257572a");
  EXPECT_EQ(DirectoryDigestPrefix(u"c:\\docs\\x.png"), u"c257572a");
  EXPECT_EQ(DirectoryDigestPrefix(u"C:\\Users\\user\\Pictures\\Holiday.JPG"), u"35c9be63");
  EXPECT_EQ(DirectoryDigestPrefix(u"/home/U/x.png"), u"6dc08d25");
  EXPECT_NE(DirectoryDigestPrefix(u"C:\\Ä\\x.png"), DirectoryDigestPrefix(u"C:\\ä\\x.png"));
}

TEST(DirectoryDigestPrefix, NoFolderPartHashesZeroBytes) {
  EXPECT_EQ(DirectoryDigestPrefix(u"report.pdf"), u"d41d8cd9");
  EXPECT_EQ(DirectoryDigestPrefix(u""), u"d41d8cd9");
  // The root folder's part before the separator is empty too.
  EXPECT_EQ(DirectoryDigestPrefix(u"/report.pdf"), u"d41d8cd9");
}

TEST(MakeSessionPaths, NamesAllFilesInsideTheSessionFolderUnderTemp) {
  test::ScopedTempDir tmp;
  const SessionPaths paths = MakeSessionPaths(u"report.pdf");
  const std::u16string folder = JoinPath(tmp.u16(), u"VeskOCR");
  EXPECT_EQ(paths.folder, folder);
  EXPECT_EQ(paths.stem, u"d41d8cd9 - report.pdf");
  EXPECT_EQ(paths.textPath, JoinPath(folder, u"d41d8cd9 - report.pdf.ocr.txt"));
  EXPECT_EQ(paths.jsonPath, JoinPath(folder, u"d41d8cd9 - report.pdf.ocr.json"));
  EXPECT_EQ(paths.logPath, JoinPath(folder, u"d41d8cd9 - report.pdf.ocr.log"));
  EXPECT_EQ(paths.textTempPath, TemporaryPathFor(paths.textPath));
  EXPECT_EQ(paths.jsonTempPath, TemporaryPathFor(paths.jsonPath));
  EXPECT_EQ(paths.lockPath, JoinPath(folder, u"d41d8cd9 - report.pdf.ocr.lock"));
  EXPECT_EQ(GetPathKind(folder), PathKind::Directory);
}

TEST(MakeSessionPaths, EveryFileOfAViewWithALongNonLatinNameCanBeWritten) {
  test::ScopedTempDir tmp;
  const SessionPaths paths = MakeSessionPaths(u"/home/u/" + Repeat(kHan, 100) + u".txt");
  const FileLockHandle lock = AcquireFileLock(paths.lockPath, 0);
  EXPECT_NE(lock, kNoFileLock);
  ReleaseFileLock(lock);
  for (const std::u16string* path : {&paths.textPath, &paths.jsonPath, &paths.logPath}) {
    EXPECT_TRUE(WriteFileAtomically(*path, "content")) << ToUtf8(*path);
  }
}

TEST(MakeSessionPaths, OneFolderWrittenTwoWaysGivesOneStemAndTheFolderIsReused) {
  test::ScopedTempDir tmp;
  const SessionPaths first = MakeSessionPaths(u"C:/Docs/x.png");
  const SessionPaths second = MakeSessionPaths(u"c:\\docs\\x.png");
  EXPECT_EQ(first.stem, u"c257572a - x.png");
  EXPECT_EQ(first.folder, second.folder);
  EXPECT_EQ(first.textPath, second.textPath);
}

TEST(ExecutableDirectory, IsTheFolderOfTheRunningProgram) {
  EXPECT_TRUE(std::filesystem::equivalent(NativePath(ExecutableDirectory()), test::BinDir()));
  EXPECT_NE(ExecutableDirectory().back(), kPathSeparator);
}

}  // namespace
}  // namespace vesk
