#include "accuracy_metrics.h"

#include <gtest/gtest.h>

namespace vesk::bench {
namespace {

std::vector<std::u32string> Lines(const std::vector<std::string>& lines) { return NormaliseLines(lines); }

TEST(AccuracyTextTest, CountsCodePointsNotBytes) {
  EXPECT_EQ(DecodeUtf8("中文 ok"), U"中文 ok");
  EXPECT_EQ(EditDistance(DecodeUtf8("设置中心"), DecodeUtf8("设置心")), 1u);
  EXPECT_EQ(EncodeUtf8(DecodeUtf8("a€中😀")), "a€中😀");
  // Bytes that are not UTF-8 (a lone continuation byte, an overlong form, a cut sequence) each count once.
  EXPECT_EQ(DecodeUtf8("a\x80" "b\xC0\xAF" "c\xE4\xB8"), U"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD");
}

TEST(AccuracyTextTest, NormalisesWhiteSpaceRunsButKeepsSpaces) {
  EXPECT_EQ(NormaliseLine(U"  Save \t as\u3000\u00A0 copy  "), U"Save as copy");
  EXPECT_EQ(NormaliseLine(U" \t "), U"");
  std::vector<size_t> kept;
  EXPECT_EQ(NormaliseLines({"a", "  ", "b  c"}, &kept), (std::vector<std::u32string>{U"a", U"b c"}));
  EXPECT_EQ(kept, (std::vector<size_t>{0, 2}));
}

TEST(AccuracyTextTest, EditDistanceAndFit) {
  EXPECT_EQ(EditDistance(U"kitten", U"sitting"), 3u);
  EXPECT_EQ(EditDistance(U"", U"abc"), 3u);
  EXPECT_EQ(EditDistance(U"abc", U""), 3u);
  const Fit exact = FitInside(U"world", U"hello world");
  EXPECT_EQ(exact.edits, 0u);
  EXPECT_EQ(exact.start, 6u);
  const Fit near = FitInside(U"wrld", U"hello world!");
  EXPECT_EQ(near.edits, 1u);
  EXPECT_EQ(near.start, 6u);
  EXPECT_EQ(FitInside(U"longer text", U"text").edits, 7u);
}

TEST(AccuracyScoreTest, PerfectReadingScoresZero) {
  const auto ref = Lines({"File", "Open recent", "Quit"});
  const PageScore s = ScorePage(ref, ref);
  EXPECT_EQ(s.referenceChars, 4u + 1 + 11 + 1 + 4);
  EXPECT_EQ(s.orderedEdits, 0u);
  EXPECT_EQ(s.anyOrderEdits, 0u);
  EXPECT_EQ(s.linesRead, 3u);
}

TEST(AccuracyScoreTest, DroppedSpacesAreErrors) {
  const PageScore s = ScorePage(Lines({"Scan to open the page"}), Lines({"Scantoopenthepage"}));
  EXPECT_EQ(s.orderedEdits, 4u);
  EXPECT_EQ(s.anyOrderEdits, 4u);
  EXPECT_EQ(s.linesRead, 0u);  // 4 edits on 21 characters is more than 10 %
}

TEST(AccuracyScoreTest, OrderCountsOnlyInTheOrderedRate) {
  const auto ref = Lines({"Left column first line", "Left column second line", "Right column line"});
  const auto read = Lines({"Left column first line", "Right column line", "Left column second line"});
  const PageScore s = ScorePage(ref, read);
  EXPECT_GT(s.orderedEdits, 15u);
  EXPECT_EQ(s.anyOrderEdits, 0u);
  EXPECT_EQ(s.linesRead, 3u);
}

TEST(AccuracyScoreTest, ExtraAndRepeatedTextCannotLowerTheError) {
  const auto ref = Lines({"OK", "Cancel"});
  // Everything read twice, plus text that is not there: every extra character is an insertion.
  const PageScore s = ScorePage(ref, Lines({"Cancel", "OK", "OK", "Cancel", "noise"}));
  EXPECT_EQ(s.anyOrderEdits, (2u + 1) + (6u + 1) + (5u + 1));
  EXPECT_EQ(s.linesRead, 2u);  // each reference line pairs with one read line only
  // Nothing read at all costs the whole reference.
  const PageScore none = ScorePage(ref, {});
  EXPECT_EQ(none.orderedEdits, none.referenceChars);
  EXPECT_EQ(none.anyOrderEdits, none.referenceChars);
}

TEST(AccuracyScoreTest, RepeatedReferenceLinesPairWithDistinctReadLines) {
  const auto ref = Lines({"Brush Tool", "Levels", "Brush Tool"});
  const PageScore s = ScorePage(ref, Lines({"Brush Tool", "Levels", "Brush Tool"}));
  EXPECT_EQ(s.linesRead, 3u);
  EXPECT_EQ(s.pairOfRead, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ScorePage(ref, Lines({"Brush Tool", "Levels"})).linesRead, 2u);
}

TEST(AccuracyScoreTest, ALineSplitInTwoCostsOneSeparatorInAnyOrder) {
  const auto ref = Lines({"Title", "Name: Alice Walker", "Footer"});
  // The split pieces come out far apart, the second one before its line.
  const PageScore s = ScorePage(ref, Lines({"Alice Walker", "Title", "Name:", "Footer"}));
  EXPECT_EQ(s.anyOrderEdits, 1u);
  EXPECT_LE(s.anyOrderEdits, s.orderedEdits);
  EXPECT_EQ(s.linesRead, 2u);
}

// Marks that are not text count as false lines; pieces of split lines and misread words do not.
TEST(AccuracyScoreTest, FalseLinesMatchNothing) {
  const auto ref = Lines({"Copies", "2", "File Edit Help", "Review the Q1 sales figures"});
  const PageScore s =
      ScorePage(ref, Lines({"Copies", "\u201d", "\u53e3", "Eie Edit Help", "Review the Q1", "sales figures", "xyz"}));
  EXPECT_EQ(s.readLines, 7u);
  EXPECT_EQ(s.falseLines, 3u);
}

TEST(AccuracyScoreTest, EmptyReference) {
  const PageScore s = ScorePage({}, Lines({"stray"}));
  EXPECT_EQ(s.referenceChars, 0u);
  EXPECT_EQ(s.orderedEdits, 5u);
  EXPECT_EQ(s.anyOrderEdits, 5u);
}

TEST(AccuracyScoreTest, TurnVerdicts) {
  // Reference line 1 is upside down. Read line 0 is line 1 turned over (right), read line 2 is an
  // upright line turned over (wrong), read line 3 is text not on the page turned over (wrong).
  const TurnScore t = ScoreTurns({1}, {1, 0, 2, -1}, {180, 0, 180, 180});
  EXPECT_EQ(t.expected, 1u);
  EXPECT_EQ(t.turned, 1u);
  EXPECT_EQ(t.falseTurns, 2u);
  const TurnScore missed = ScoreTurns({1}, {1, 0}, {0, 0});
  EXPECT_EQ(missed.turned, 0u);
  EXPECT_EQ(missed.falseTurns, 0u);
}

}  // namespace
}  // namespace vesk::bench
