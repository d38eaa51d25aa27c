#include "ocr/ctc_decode.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace vesk {
namespace {

// Blank, seven one-byte entries, a multi-byte entry at 8, the final single space at 9.
std::vector<std::string> Dictionary() { return {"", "a", "b", "c", "d", "e", "f", "g", "\xE5\xAD\x97", " "}; }

// One step of C values: `best` holds `max`, the rest share `rest` equally.
std::vector<float> Row(int C, int best, float max, float rest) {
  std::vector<float> row(C, rest / static_cast<float>(C - 1));
  row[best] = max;
  return row;
}

struct Steps {
  int C;
  std::vector<float> data;
  void Add(const std::vector<float>& row) { data.insert(data.end(), row.begin(), row.end()); }
  int64_t T() const { return static_cast<int64_t>(data.size()) / C; }
};

TEST(DecodeCtcTest, MergesRepeatsDropsBlanksAndAveragesTheEmittedProbabilities) {
  Steps steps{10, {}};
  const int classes[] = {0, 7, 7, 0, 7};
  const float maxima[] = {0.9f, 0.8f, 0.6f, 0.9f, 0.7f};
  for (int t = 0; t < 5; ++t) steps.Add(Row(10, classes[t], maxima[t], 1.0f - maxima[t]));
  std::string text = "stale";
  float score = -1.0f;
  DecodeCtc(steps.data.data(), steps.T(), steps.C, Dictionary(), text, score);
  EXPECT_EQ(text, "gg");
  EXPECT_FLOAT_EQ(score, 0.75f);
}

TEST(DecodeCtcTest, RowsThatAreNotProbabilitiesGoThroughSoftmax) {
  const std::vector<std::string> dict = Dictionary();
  std::string text;
  float score = 0.0f;

  // Sums to 1 but holds a negative value.
  std::vector<float> negative(10, 0.0f);
  negative[0] = -0.5f;
  negative[1] = 1.5f;
  DecodeCtc(negative.data(), 1, 10, dict, text, score);
  EXPECT_EQ(text, "a");
  const double softmax = 1.0 / (1.0 + std::exp(-2.0) + 8 * std::exp(-1.5));
  EXPECT_NEAR(score, softmax, 1e-6);

  // Sum 1.04: used as it is.
  const std::vector<float> near = Row(10, 2, 0.64f, 0.40f);
  DecodeCtc(near.data(), 1, 10, dict, text, score);
  EXPECT_EQ(text, "b");
  EXPECT_FLOAT_EQ(score, 0.64f);

  // Sum 1.06: softmax.
  const std::vector<float> off = Row(10, 2, 0.66f, 0.40f);
  DecodeCtc(off.data(), 1, 10, dict, text, score);
  EXPECT_EQ(text, "b");
  const double other = 0.40 / 9;
  EXPECT_NEAR(score, 1.0 / (1.0 + 9 * std::exp(other - 0.66)), 1e-6);
}

TEST(DecodeCtcTest, ClassesPastTheDictionarySkippedButStillSeparateRepeats) {
  // The model has one class more than the dictionary has entries.
  Steps steps{11, {}};
  steps.Add(Row(11, 1, 0.9f, 0.1f));
  steps.Add(Row(11, 10, 0.9f, 0.1f));
  steps.Add(Row(11, 1, 0.5f, 0.5f));
  steps.Add(Row(11, 9, 0.9f, 0.1f));
  steps.Add(Row(11, 8, 0.9f, 0.1f));
  std::string text;
  float score = 0.0f;
  DecodeCtc(steps.data.data(), steps.T(), steps.C, Dictionary(), text, score);
  EXPECT_EQ(text, "aa \xE5\xAD\x97");
  EXPECT_FLOAT_EQ(score, (0.9f + 0.5f + 0.9f + 0.9f) / 4.0f);
}

TEST(DecodeCtcTest, OnlyBlanksGiveEmptyTextAndZero) {
  Steps steps{10, {}};
  for (int t = 0; t < 4; ++t) steps.Add(Row(10, 0, 0.95f, 0.05f));
  std::string text = "stale";
  float score = 1.0f;
  DecodeCtc(steps.data.data(), steps.T(), steps.C, Dictionary(), text, score);
  EXPECT_EQ(text, "");
  EXPECT_EQ(score, 0.0f);
}

TEST(DecodeCtcTest, TiesGoToTheFirstClass) {
  std::vector<float> row(10, 0.0f);
  row[3] = 0.5f;
  row[5] = 0.5f;
  std::string text;
  float score = 0.0f;
  DecodeCtc(row.data(), 1, 10, Dictionary(), text, score);
  EXPECT_EQ(text, "c");
}

// Wider rows are searched eight values at a time, then the rest: the first largest still wins wherever
// it lies, and a value that is not a number never does, unless it comes first (then the blank wins).
TEST(DecodeCtcTest, TheFirstLargestValueOfAWideRowWins) {
  std::vector<std::string> letters(20);
  for (size_t i = 1; i < letters.size(); ++i) letters[i] = std::string(1, static_cast<char>('a' + i - 1));
  const float nan = std::nanf("");
  struct Case {
    std::vector<std::pair<int, float>> values;  // the rest of the 19 values are 0
    std::string text;
  };
  const Case cases[] = {
      {{{3, 0.5f}, {11, 0.5f}}, "c"},        // a tie across the eight lanes
      {{{11, 0.5f}, {12, 0.5f}}, "k"},
      {{{17, 0.2f}, {5, 0.1f}}, "q"},        // past the last whole eight
      {{{4, nan}, {9, 0.3f}}, "i"},
      {{{0, nan}, {9, 0.3f}}, ""},
      {{{2, -0.0f}}, ""},                    // every value 0: the blank comes first
  };
  for (const Case& c : cases) {
    std::vector<float> row(19, 0.0f);
    for (const auto& [k, v] : c.values) row[k] = v;
    std::string text;
    float score = 0.0f;
    DecodeCtc(row.data(), 1, 19, letters, text, score);
    EXPECT_EQ(text, c.text) << c.values.front().first;
  }
}

// Steps of classes, each winning with probability 0.9 (0 is the blank).
Steps Sequence(const std::vector<int>& classes) {
  Steps steps{10, {}};
  for (int c : classes) steps.Add(Row(10, c, 0.9f, 0.1f));
  return steps;
}

std::string Decoded(const Steps& steps, int32_t gapSpaceSteps) {
  std::string text;
  float score = 0.0f;
  DecodeCtc(steps.data.data(), steps.T(), steps.C, Dictionary(), text, score, gapSpaceSteps);
  return text;
}

TEST(DecodeCtcTest, LongBlankRunsBetweenLatinCharactersBecomeSpacesOnlyWhenAsked) {
  // a, one blank, b, three blanks, c, three blanks, space, blank, d.
  const Steps steps = Sequence({1, 0, 2, 0, 0, 0, 3, 0, 0, 0, 9, 0, 4});
  EXPECT_EQ(Decoded(steps, 0), "abc d");
  EXPECT_EQ(Decoded(steps, 3), "ab c d");  // the model's own space is not doubled
  EXPECT_EQ(Decoded(steps, 4), "abc d");
  // Blank steps before the first character or after the last add nothing.
  EXPECT_EQ(Decoded(Sequence({0, 0, 0, 1, 0, 0, 0}), 2), "a");
}

TEST(DecodeCtcTest, AWordGapMustClearlyExceedTheLinesUsualLetterGap) {
  // Letters two blanks apart, then runs of three and of four blanks: in this wide a font only the
  // longer run is a word gap.
  const Steps steps = Sequence({1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0, 0, 6});
  EXPECT_EQ(Decoded(steps, 3), "abcde f");
  EXPECT_EQ(Decoded(steps, 5), "abcdef");
}

TEST(DecodeCtcTest, AWideSmallLetterNeedsALongerGapBesideIt) {
  // Letters one blank apart, then three blanks on either side of entry 7: as "g" that is a word on its
  // own; as "m", whose middle lies further from its neighbours, it is part of the word, and only a
  // longer run beside it is a gap.
  const std::vector<int> classes{3, 0, 1, 0, 2, 0, 4, 0, 0, 0, 7, 0, 0, 0, 5, 0, 1};
  EXPECT_EQ(Decoded(Sequence(classes), 3), "cabd g ea");
  std::vector<std::string> dictionary = Dictionary();
  dictionary[7] = "m";
  const auto decoded = [&](const std::vector<int>& steps) {
    const Steps sequence = Sequence(steps);
    std::string text;
    float score = 0.0f;
    DecodeCtc(sequence.data.data(), sequence.T(), sequence.C, dictionary, text, score, 3);
    return text;
  };
  EXPECT_EQ(decoded(classes), "cabdmea");
  EXPECT_EQ(decoded({3, 0, 1, 0, 2, 0, 4, 0, 0, 0, 0, 7, 0, 5, 0, 1}), "cabd mea");
  // A wide capital mostly starts a word: only the gap after it is widened.
  dictionary[7] = "M";
  EXPECT_EQ(decoded(classes), "cabd Mea");
}

TEST(DecodeCtcTest, GapsBetweenChineseCharactersAddNoSpace) {
  // The multi-byte entry 8 stands for Chinese text, which has no spaces between words; a gap between
  // it and Latin text is a space like any other.
  EXPECT_EQ(Decoded(Sequence({8, 0, 0, 0, 8}), 2), "\xE5\xAD\x97\xE5\xAD\x97");
  EXPECT_EQ(Decoded(Sequence({1, 0, 0, 0, 8, 0, 0, 0, 2}), 2), "a \xE5\xAD\x97 b");
  std::string text;
  float score = 0.0f;
  const Steps steps = Sequence({1, 0, 0, 0, 2});
  DecodeCtc(steps.data.data(), steps.T(), steps.C, Dictionary(), text, score, 2);
  EXPECT_FLOAT_EQ(score, 0.9f);  // the added space carries no probability of its own
}

TEST(DecodeCtcTest, AGapThePictureShowsAddsASpaceOnTheSameTerms) {
  // a, b, c, an underscore, d, each two steps on: the picture has a gap before c, before and after the
  // underscore, and the model's own space before d.
  std::vector<std::string> dictionary = Dictionary();
  dictionary[5] = "_";
  const Steps steps = Sequence({1, 0, 2, 0, 3, 0, 5, 0, 9, 0, 4});
  std::vector<std::pair<int64_t, int64_t>> asked;
  const StepGap gap = [&](int64_t before, int64_t after, double pitch) {
    asked.emplace_back(before, after);
    EXPECT_DOUBLE_EQ(pitch, 2.0);
    return after != 2;
  };
  std::string text;
  float score = 0.0f;
  DecodeCtc(steps.data.data(), steps.T(), steps.C, dictionary, text, score, 0, {.gap = gap});
  EXPECT_EQ(text, "ab c_ d");  // nothing beside the underscore, no second space
  EXPECT_EQ(asked, (std::vector<std::pair<int64_t, int64_t>>{{0, 2}, {2, 4}}));
  // Nor beside a decimal point.
  dictionary[6] = "7";
  dictionary[7] = ".";
  const Steps number = Sequence({6, 0, 7, 0, 6});
  DecodeCtc(number.data.data(), number.T(), number.C, dictionary, text, score, 0, {.gap = gap});
  EXPECT_EQ(text, "7.7");
}

// A slash between digits with the same blank on both sides, twice the line's usual blank, reads with
// spaces ("1 / 4"); set close as in a date, set apart on one side only (a path after a field's space),
// or in a line whose every character stands that far apart (a monospace cell), it reads as it came. A
// letter and a digit side by side take a space where the blank between them is wider still ("4 x").
TEST(DecodeCtcTest, ASlashOrALetterThePictureSetsApartFromDigitsGetsSpaces) {
  std::vector<std::string> dictionary = Dictionary();
  dictionary[1] = "1";
  dictionary[2] = "/";
  dictionary[3] = "4";
  dictionary[4] = "x";
  // x, x, x, x, 1, /, 4 (each two steps on), and an x after the 4 when asked.
  const auto decoded = [&](double usual, double left, double right, double unit = 0.0, double lead = 0.0) {
    std::vector<int> classes{4, 0, 4, 0, 4, 0, 4, 0, 1, 0, 2, 0, 3};
    if (unit > 0.0) classes.insert(classes.end(), {0, 4});
    const Steps steps = Sequence(classes);
    const StepBlank blank = [&](int64_t before, int64_t after) {
      if (after == 10) return left;
      if (before == 10) return right;
      if (before == 12) return unit;
      return before == 6 && lead > 0.0 ? lead : usual;
    };
    std::string text;
    float score = 0.0f;
    DecodeCtc(steps.data.data(), steps.T(), steps.C, dictionary, text, score, 0, {.blank = blank});
    return text;
  };
  EXPECT_EQ(decoded(0.05, 0.25, 0.3), "xxxx1 / 4");
  EXPECT_EQ(decoded(0.05, 0.1, 0.1), "xxxx1/4");
  EXPECT_EQ(decoded(0.05, 0.5, 0.2), "xxxx1/4");
  EXPECT_EQ(decoded(0.2, 0.25, 0.3), "xxxx1/4");
  EXPECT_EQ(decoded(0.05, 0.1, 0.1, 0.4), "xxxx1/4 x");
  EXPECT_EQ(decoded(0.05, 0.1, 0.1, 0.3), "xxxx1/4x");
  EXPECT_EQ(decoded(0.25, 0.1, 0.1, 0.4), "xxxx1/4x");
  EXPECT_EQ(decoded(0.05, 0.1, 0.1, 0.0, 0.4), "xxxx 1/4");
}

TEST(DecodeCtcTest, APointOrAColonThePictureShowsReadsAsOne) {
  std::vector<std::string> dictionary = Dictionary();
  dictionary[2] = ",";
  dictionary[3] = "+";
  dictionary[4] = "t";
  // What the text reads with every mark found drawn as `drawn`, and the steps around each mark asked about.
  const auto decoded = [&](const std::vector<int>& classes, bool drawn) {
    const Steps steps = Sequence(classes);
    std::vector<std::array<int64_t, 3>> asked;
    const StepMark picture = [&](int64_t before, int64_t at, int64_t after) {
      asked.push_back({before, at, after});
      return drawn;
    };
    std::string text;
    float score = 0.0f;
    DecodeCtc(steps.data.data(), steps.T(), steps.C, dictionary, text, score, 0, {.point = picture, .colon = picture});
    return std::make_pair(text, asked);
  };
  EXPECT_EQ(decoded({1, 0, 2, 0, 1}, true).first, "a.a");
  EXPECT_EQ(decoded({1, 0, 2, 0, 1}, false).first, "a,a");
  EXPECT_EQ(decoded({1, 0, 3, 0, 1}, true).first, "a:a");
  EXPECT_EQ(decoded({1, 0, 3, 0, 1}, false).first, "a+a");
  // A comma beside a space or at an end is not asked about; a colon at the line's end is, with no step
  // after it.
  const auto [text, asked] = decoded({2, 0, 1, 0, 2, 0, 9, 0, 1, 0, 4}, true);
  EXPECT_EQ(text, ",a, a:");
  EXPECT_EQ(asked, (std::vector<std::array<int64_t, 3>>{{8, 10, -1}}));
}

}  // namespace
}  // namespace vesk
