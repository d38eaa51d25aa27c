#include "session/session_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
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
  EXPECT_EQ(paths.textTempPath, paths.textPath + u".tmp");
  EXPECT_EQ(paths.jsonTempPath, paths.jsonPath + u".tmp");
  EXPECT_EQ(GetPathKind(folder), PathKind::Directory);
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
