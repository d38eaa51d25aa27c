#include "devset.h"

#include <gtest/gtest.h>

#include "accuracy_metrics.h"
#include "support/temp_dir.h"

namespace vesk::bench {
namespace {

TEST(DevSetTest, KnownTextMustBeClean) {
  std::vector<std::string> lines;
  std::string error;
  EXPECT_TRUE(SplitKnownText("one\ntwo\n", lines, error));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
  EXPECT_TRUE(SplitKnownText("no final line feed", lines, error));
  EXPECT_EQ(lines.size(), 1u);
  EXPECT_FALSE(SplitKnownText("one\n\ntwo\n", lines, error));
  EXPECT_FALSE(SplitKnownText("one\n \t\n", lines, error));
  EXPECT_FALSE(SplitKnownText("one\r\ntwo\r\n", lines, error));
  EXPECT_FALSE(SplitKnownText("label\t \tvalue\n", lines, error));  // a blank run inside a row
  EXPECT_NE(error.find("run in line 1"), std::string::npos) << error;
}

// A row's runs are lines of their own by default, one line joined by spaces with kRows; the two
// scorings differ exactly where a reading joins or splits a row.
TEST(DevSetTest, RowsScoreAsRunsOrAsOneLine) {
  const std::vector<std::string> rows{"Title", "PID USER\t20\t0", "Name\tAlice"};
  std::vector<size_t> flipped{1, 2};
  EXPECT_EQ(ScoredLines(rows, RowUnit::kRuns, &flipped),
            (std::vector<std::string>{"Title", "PID USER", "20", "0", "Name", "Alice"}));
  EXPECT_EQ(flipped, (std::vector<size_t>{1, 2, 3, 4, 5}));
  flipped = {1};
  EXPECT_EQ(ScoredLines(rows, RowUnit::kRows, &flipped),
            (std::vector<std::string>{"Title", "PID USER 20 0", "Name Alice"}));
  EXPECT_EQ(flipped, std::vector<size_t>{1});

  const auto joined = NormaliseLines({"Title", "PID USER 20 0", "Name Alice"});
  const auto pieces = NormaliseLines({"Title", "PID USER", "20", "0", "Name", "Alice"});
  const auto asRuns = NormaliseLines(ScoredLines(rows, RowUnit::kRuns));
  const auto asRows = NormaliseLines(ScoredLines(rows, RowUnit::kRows));
  EXPECT_EQ(ScorePage(asRuns, pieces).orderedEdits, 0u);
  EXPECT_EQ(ScorePage(asRows, joined).orderedEdits, 0u);
  // A line break where a row has a space costs one edit each, in order and in any order alike.
  EXPECT_EQ(ScorePage(asRows, pieces).orderedEdits, 3u);
  EXPECT_EQ(ScorePage(asRows, pieces).anyOrderEdits, 3u);
  EXPECT_EQ(ScorePage(asRows, pieces).linesRead, 1u);
  EXPECT_EQ(ScorePage(asRuns, joined).orderedEdits, 3u);
}

// .rotated.txt counts the lines of the .txt file, not the runs: a rotated row turns all of its runs.
TEST(DevSetTest, UpsideDownIndicesCountFileLinesNotRuns) {
  test::ScopedTempDir tmp;
  test::WriteFile(tmp.path() / "r.png", "");
  test::WriteFile(tmp.path() / "r.txt", "a\tb\tc\nflipped\nx\ty\nlast\n");
  test::WriteFile(tmp.path() / "r.rotated.txt", "1 2\n");
  std::vector<Screenshot> shots;
  std::string error;
  ASSERT_TRUE(LoadScreenshots({tmp.path() / "r.png"}, shots, error)) << error;
  ASSERT_EQ(shots.size(), 1u);
  EXPECT_EQ(shots[0].lines, (std::vector<std::string>{"a", "b", "c", "flipped", "x", "y", "last"}));
  EXPECT_EQ(shots[0].upsideDown, (std::vector<size_t>{3, 4, 5}));
  // Index 4 names no line of the file, although the file has seven runs.
  test::WriteFile(tmp.path() / "r.rotated.txt", "4\n");
  shots.clear();
  EXPECT_FALSE(LoadScreenshots({tmp.path() / "r.png"}, shots, error));
  EXPECT_NE(error.find("r.rotated.txt"), std::string::npos);
}

TEST(DevSetTest, LoadsPicturesWithTheirTextAndUpsideDownLines) {
  test::ScopedTempDir tmp;
  test::WriteFile(tmp.path() / "b.png", "not really a picture");
  test::WriteFile(tmp.path() / "b.txt", "top\nflipped\n");
  test::WriteFile(tmp.path() / "b.rotated.txt", "1\n");
  test::WriteFile(tmp.path() / "a.png", "");
  test::WriteFile(tmp.path() / "a.txt", "x\n");
  test::WriteFile(tmp.path() / "no_text.png", "");
  std::vector<Screenshot> shots;
  std::string error;
  ASSERT_TRUE(LoadScreenshots({tmp.path()}, shots, error)) << error;
  ASSERT_EQ(shots.size(), 2u);  // a picture without text is not part of a folder's set
  EXPECT_EQ(shots[0].name, "a");
  EXPECT_EQ(shots[1].upsideDown, std::vector<size_t>{1});
  EXPECT_EQ(shots[0].family, "");

  // families.txt names the family of a folder's screenshots, also when a picture is named on its own.
  test::WriteFile(tmp.path() / "families.txt", "a\tchat\nb\tform\n");
  ASSERT_TRUE(LoadScreenshots({tmp.path() / "b.png"}, shots, error)) << error;
  EXPECT_EQ(shots.back().family, "form");
  test::WriteFile(tmp.path() / "families.txt", "a chat\n");
  EXPECT_FALSE(LoadScreenshots({tmp.path()}, shots, error));
  EXPECT_NE(error.find("families.txt: line 1"), std::string::npos) << error;
  std::filesystem::remove(tmp.path() / "families.txt");

  // Named on its own, a picture without text is an error; so is an upside-down index past the end.
  EXPECT_FALSE(LoadScreenshots({tmp.path() / "no_text.png"}, shots, error));
  test::WriteFile(tmp.path() / "b.rotated.txt", "2\n");
  EXPECT_FALSE(LoadScreenshots({tmp.path() / "b.png"}, shots, error));
  EXPECT_NE(error.find("b.rotated.txt"), std::string::npos);
}

// The committed set must load: every picture has clean known text and the size its page declares.
TEST(DevSetTest, DevelopmentSetLoads) {
  std::vector<Screenshot> shots;
  std::string error;
  ASSERT_TRUE(LoadScreenshots({VESK_DEVSET_DIR}, shots, error)) << error;
  EXPECT_GE(shots.size(), 6u);
  for (const Screenshot& shot : shots) {
    EXPECT_GT(shot.width, 0) << shot.name;
    EXPECT_FALSE(shot.lines.empty()) << shot.name;
  }
}

}  // namespace
}  // namespace vesk::bench
