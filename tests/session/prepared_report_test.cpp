#include "session/prepared_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(CutAtCharacter, NeverEndsInsideACharacter) {
  const struct {
    std::string text;
    size_t limit;
    std::string expected;
  } cases[] = {
      {"short", 10, "short"},
      {"exactly", 7, "exactly"},
      {"abcdef", 3, "abc"},
      {"a\xC3\xA9z", 2, "a"},               // é is two bytes: not split after its first
      {"a\xC3\xA9z", 3, "a\xC3\xA9"},
      {"\xE6\x96\x87\xE5\xAD\x97", 5, "\xE6\x96\x87"},  // two three-byte characters
      {"\xF0\x9F\x98\x80!", 3, ""},        // a four-byte character that does not fit at all
  };
  for (const auto& c : cases) EXPECT_EQ(CutAtCharacter(c.text, c.limit), c.expected) << c.text << " " << c.limit;
}

class PreparedFailureReportTest : public ::testing::Test {
 protected:
  test::ScopedTempDir tmp_;
  SessionPaths paths_ = SessionPathsIn(tmp_.u16(), u"view");
  fs::path Native(const std::u16string& path) const { return ToUtf8(path); }
};

TEST_F(PreparedFailureReportTest, TakesThePlaceOfTheReportCutToThePreparedSize) {
  {
    PreparedFailureReport prepared(paths_, "OCR Failed:\r\nFailed to write json output: somewhere\r\n");
    ASSERT_TRUE(prepared.ready());
    EXPECT_TRUE(fs::exists(Native(paths_.failTempPath)));
    ASSERT_TRUE(prepared.PutInPlace("OCR Failed:\r\nshort\r\n"));
    EXPECT_FALSE(prepared.ready());
  }
  EXPECT_EQ(test::ReadFile(Native(paths_.textPath)), "OCR Failed:\r\nshort\r\n");
  EXPECT_FALSE(fs::exists(Native(paths_.failTempPath)));

  PreparedFailureReport small(paths_, "1234");
  ASSERT_TRUE(small.PutInPlace("abcdefgh"));
  EXPECT_EQ(test::ReadFile(Native(paths_.textPath)), "abcd");
}

TEST_F(PreparedFailureReportTest, IsRemovedWhenNotUsedAndRefusedWhereNoFolderIs) {
  { PreparedFailureReport unused(paths_, "bytes"); }
  EXPECT_FALSE(fs::exists(Native(paths_.failTempPath)));

  PreparedFailureReport nowhere(SessionPathsIn(tmp_.u16() + u"/missing", u"view"), "bytes");
  EXPECT_FALSE(nowhere.ready());
  EXPECT_FALSE(nowhere.PutInPlace("report"));
}

}  // namespace
}  // namespace vesk
