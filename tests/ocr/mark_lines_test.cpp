#include "ocr/mark_lines.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

const std::string kText = "Apply the settings to every user";

TEST(FindMarkLinesTest, ShortLinesWithoutLettersOrDigitsOnALatinScreen) {
  // √, 口, "+ +", "$" are marks; a digit, a letter, "é", "3%" and a longer run of symbols are not.
  const std::vector<std::string> texts{kText, "\xE2\x88\x9A", "\xE5\x8F\xA3", "+ +", "$", "0", "R",
                                       "\xC3\xA9", "3%", "- - -", ""};
  const std::vector<bool> expected{false, true, true, true, true, false, false, false, false, false, false};
  EXPECT_EQ(FindMarkLines(texts, 2), expected);
  EXPECT_EQ(FindMarkLines(texts, 0), std::vector<bool>(texts.size(), false));
}

TEST(FindMarkLinesTest, KeepsShortWordsWhereTheScreenIsNotLatin) {
  // 首页 (a Chinese menu item) beside Chinese text: a word, not a mark.
  const std::string chinese = "\xE9\xA6\x96\xE9\xA1\xB5";
  const std::string sentence = "\xE4\xB8\x8B\xE8\xBD\xBD\xE5\xB9\xB6\xE5\xAE\x89\xE8\xA3\x85 pip";
  EXPECT_EQ(FindMarkLines({sentence, chinese}, 2), (std::vector<bool>{false, false}));
  // Nothing longer to judge the screen by.
  EXPECT_EQ(FindMarkLines({chinese, "\xE2\x88\x9A"}, 2), (std::vector<bool>{false, false}));
  // A Latin screen with a few Chinese characters in it still counts as Latin: a lone 中 there is a tree's
  // box, and so are 中口 (the box beside a folder icon) and 中√, but 首页 is a word.
  EXPECT_EQ(FindMarkLines({kText + kText + kText + "\xE4\xB8\xAD", chinese, "\xE4\xB8\xAD", "\xE4\xB8\xAD\xE5\x8F\xA3",
                           "\xE4\xB8\xAD\xE2\x88\x9A"},
                          2),
            (std::vector<bool>{false, false, true, true, true}));
}

TEST(IsWindowButtonsTest, LoneSymbolsAndButtonLettersReadUnsurely) {
  const std::string times = "\xC3\x97";  // ×
  struct Case {
    std::string text;
    float score;
    bool buttons;
  };
  const std::vector<Case> cases{
      {"- 0 " + times, 0.56f, true},  {". 0 x", 0.60f, true},      {"_ " + times, 0.5f, true},
      {"- 0 " + times, 0.95f, false},  // read confidently: text
      {"0 x", 0.5f, false},            // no symbol
      {"x 2", 0.5f, false},            {"A - B", 0.5f, false},    {"-0" + times, 0.5f, false},
      {"- - - - -", 0.5f, false},      {times, 0.4f, false},
      {"- x -", 0.6f, false},          {"- 0", 0.7f, false},       // garbled fields: no cross at the end
  };
  for (const Case& c : cases) EXPECT_EQ(IsWindowButtons(c.text, c.score), c.buttons) << c.text;
}

}  // namespace
}  // namespace vesk
