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

}  // namespace
}  // namespace vesk::test
