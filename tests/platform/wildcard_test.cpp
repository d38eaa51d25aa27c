#include "platform/wildcard.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(MatchesWildcard, SessionFilePatternMatchesOnlyNamesWithTheMarkerInside) {
  for (const char16_t* name : {u"a.ocr.txt", u"d41d8cd9 - x.png.ocr.json.tmp", u".ocr.", u"x.ocr.log"}) {
    EXPECT_TRUE(MatchesWildcard(name, u"*.ocr.*")) << std::u16string(name).size();
  }
  // The system's own matching lets ".*" match nothing at the end; literal matching does not.
  for (const char16_t* name : {u"x.ocr", u"x.ocrtxt", u"notes.txt", u"OCR.TXT", u""}) {
    EXPECT_FALSE(MatchesWildcard(name, u"*.ocr.*")) << std::u16string(name).size();
  }
}

TEST(MatchesWildcard, StarsBacktrackAndQuestionMarksTakeOneUnit) {
  EXPECT_TRUE(MatchesWildcard(u"abcabd", u"*abd"));
  EXPECT_TRUE(MatchesWildcard(u"ab", u"a?"));
  EXPECT_FALSE(MatchesWildcard(u"a", u"a?"));
  EXPECT_TRUE(MatchesWildcard(u"", u"*"));
  EXPECT_TRUE(MatchesWildcard(u"\u00e4x", u"?x"));
  EXPECT_FALSE(MatchesWildcard(u"abc", u"a*d"));
}

}  // namespace
}  // namespace vesk
