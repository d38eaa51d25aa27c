#include "devset.h"

#include <gtest/gtest.h>

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
