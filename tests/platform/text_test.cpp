#include "platform/text.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(TextTest, ConvertsValidTextBothWays) {
  const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e-acute, euro, emoji
  const std::u16string utf16 = u"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(FromUtf8(utf8), utf16);
  EXPECT_EQ(ToUtf8(utf16), utf8);
}

TEST(TextTest, UndecodableBytesSurviveTheRoundTrip) {
  // Lone continuation byte, truncated sequence, overlong slash and an encoded surrogate.
  for (const std::string bytes : {"x\x80y", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "/tmp/\xFF\xFE.png"}) {
    const std::u16string wide = FromUtf8(bytes);
    EXPECT_EQ(ToUtf8(wide), bytes);
  }
  EXPECT_EQ(FromUtf8("\xFF"), std::u16string(1, char16_t(0xDCFF)));
}

TEST(TextTest, UnpairedSurrogatesOutsideTheByteRangeBecomeReplacementCharacters) {
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC10))), "\xEF\xBF\xBD");
}

TEST(TextTest, AsciiCaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(AsciiLower(std::string("AbZ\xC3\x89")), "abz\xC3\x89");
  EXPECT_EQ(AsciiLower(std::u16string(u"C:\\Docs\u00C9")), u"c:\\docs\u00C9");
  EXPECT_EQ(AsciiUpper(std::u16string(u"com7\u00E9")), u"COM7\u00E9");
}

}  // namespace
}  // namespace vesk
