// Runs the accuracy benchmark program itself: the whole chain from starting the worker to the figures.

#include <gtest/gtest.h>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

std::filesystem::path Bench() { return BinDir() / "vesk_accuracy_bench"; }

TEST(AccuracyBenchTest, ScoresTheWorkerOnAScreenshotInTwoConfigurations) {
  ScopedTempDir tmp;
  const auto json = tmp.path() / "figures.json";
  const ProgramResult r = RunProgram(Bench(),
                                     {"--config", "plain=", "--config", "upright=--cls=0", "--json", json.string(),
                                      "--save", (tmp.path() / "read").string(),
                                      (TestDataDir() / "samples" / "dialog.png").string()},
                                     tmp.path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("plain"), std::string::npos);
  EXPECT_NE(r.out.find("upright"), std::string::npos);
  EXPECT_NE(r.out.find("dialog"), std::string::npos);
  const std::string figures = ReadFile(json);
  EXPECT_NE(figures.find("\"arguments\": [\"--cls=0\"]"), std::string::npos);
  EXPECT_NE(figures.find("\"reference_lines\": 11"), std::string::npos);
  EXPECT_EQ(figures.find("\"failures\": 1"), std::string::npos) << figures;
  // The worker reads this dialog nearly perfectly; what it read was saved per configuration.
  EXPECT_NE(ReadFile(tmp.path() / "read" / "upright" / "dialog.txt").find("Cancel"), std::string::npos);
}

TEST(AccuracyBenchTest, AFailedWorkerRunCountsAsNothingRead) {
  ScopedTempDir tmp;
  const auto json = tmp.path() / "figures.json";
  const ProgramResult r = RunProgram(Bench(),
                                     {"--worker", "/bin/false", "--json", json.string(),
                                      (TestDataDir() / "samples" / "dialog.png").string()},
                                     tmp.path());
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("dialog: exit code 1"), std::string::npos) << r.out;
  const std::string figures = ReadFile(json);
  EXPECT_NE(figures.find("\"failures\": 1"), std::string::npos);
  EXPECT_NE(figures.find("\"ordered_cer\": 1.00000"), std::string::npos) << figures;
  EXPECT_NE(figures.find("\"lines_read\": 0,"), std::string::npos);
}

TEST(AccuracyBenchTest, RefusesScreenshotsWithoutKnownText) {
  ScopedTempDir tmp;
  WriteFile(tmp.path() / "lonely.png", "");
  const ProgramResult r = RunProgram(Bench(), {(tmp.path() / "lonely.png").string()}, tmp.path());
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("no known text"), std::string::npos) << r.err;
}

// Saved lines scored again, without a worker: rows of the known text as runs or as one line, the table
// per family and the pictures of the order.
TEST(AccuracyBenchTest, ReplaysSavedLinesByRowsOrRunsPerFamily) {
  ScopedTempDir tmp;
  std::filesystem::create_directories(tmp.path() / "set");
  std::filesystem::create_directories(tmp.path() / "saved" / "cfg");
  WriteFile(tmp.path() / "set" / "a.png", "");
  WriteFile(tmp.path() / "set" / "a.txt", "Name\tAlice\nTotal\n");
  WriteFile(tmp.path() / "set" / "families.txt", "a\tform\n");
  WriteFile(tmp.path() / "saved" / "cfg" / "a.txt", "Name\nAlice\nTotal\n");
  for (const bool rows : {false, true}) {
    const auto json = tmp.path() / "figures.json";
    std::vector<std::string> args{"--replay", (tmp.path() / "saved").string(), "--config", "cfg=", "--families",
                                  "--json", json.string(), "--draw", (tmp.path() / "draw").string(),
                                  (tmp.path() / "set").string()};
    if (rows) args.push_back("--rows");
    const ProgramResult r = RunProgram(Bench(), args, tmp.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\nform "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\na "), std::string::npos) << r.out;  // no table per screenshot
    // As one line the row costs a line break where it has a space.
    EXPECT_NE(ReadFile(json).find(rows ? "\"ordered_edits\": 1," : "\"ordered_edits\": 0,"), std::string::npos);
    EXPECT_NE(ReadFile(tmp.path() / "draw" / "cfg" / "a.html").find("../../set/a.png"), std::string::npos);
    EXPECT_NE(ReadFile(tmp.path() / "draw" / "index.html").find("cfg/a.html"), std::string::npos);
  }
}

}  // namespace
}  // namespace vesk::test
