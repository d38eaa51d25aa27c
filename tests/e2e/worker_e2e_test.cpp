// The worker as the viewer sees it: a process, its exit code, its console output and its files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/worker_fixture.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

constexpr char kMissingPositionals[] =
    "Missing positional arguments (expected screenshot, veskviewer_exe, input_file)";
constexpr char kUsage[] =
    "Usage: VeskOcrWorker.exe <screenshot> <veskviewer_exe> <input_file> [--ep=auto|cpu|dml] [--cls=0|1] "
    "[--barcode=0|1] [--wait-timeout=<ms>] [--console]";

TEST_F(WorkerTest, BadCommandLinesExitWithOneAndPrintOnlyWithConsole) {
  ProgramResult r = Run({});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");

  r = Run({"--console"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, std::string("Error: ") + kMissingPositionals + "\n" + kUsage + "\n");

  // The parse stops at the unknown flag, before it sees --console.
  r = Run({"--bogus", "--console", "a", "b", "c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "");

  r = Run({"--console", "--ep=gpu", "a", "b", "c"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, std::string("Error: Invalid --ep value: gpu\n") + kUsage + "\n");

  // No session file was touched and no viewer started.
  EXPECT_FALSE(fs::exists(tmp_.path() / "VeskOCR"));
  EXPECT_FALSE(fs::exists(RecordPath()));
}

TEST_F(WorkerTest, UnstartableViewerEndsWithFiveAndStillLeavesReportAndLog) {
  const fs::path viewed = tmp_.path() / "doc.pdf";
  const std::string viewer = (tmp_.path() / "no such viewer").string();
  const ProgramResult r = Run({(tmp_.path() / "shot.png").string(), viewer, viewed.string(), "--console"});
  EXPECT_EQ(r.exitCode, 5);
  const std::string message = "Failed to launch VeskViewer: " + viewer;
  EXPECT_EQ(r.err, message + "\n");

  const SessionPaths paths = PathsFor(viewed);
  EXPECT_EQ(ReadFile(U8(paths.textPath)), "OCR Failed:\r\n" + message + "\r\n");
  EXPECT_EQ(ReadFile(U8(paths.logPath)), "Error: " + message + "\r\n");
}

TEST_F(WorkerTest, MissingOrFolderScreenshotIsReportedToTheViewerThatWasStartedFirst) {
  const fs::path viewed = tmp_.path() / "Holiday.JPG";
  const SessionPaths paths = PathsFor(viewed);
  for (const fs::path& shot : {tmp_.path() / "missing.png", tmp_.path()}) {
    SCOPED_TRACE(shot);
    const ProgramResult r = Run({shot.string(), Viewer().string(), viewed.string(), "--wait-timeout=1000"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "");  // without --console nothing is printed
    const std::string report = "OCR Failed:\r\nScreenshot image does not exist: " + shot.string() + "\r\n";
    EXPECT_EQ(ReadFile(U8(paths.textPath)), report);
    EXPECT_EQ(ReadFile(U8(paths.logPath)), "Error: Screenshot image does not exist: " + shot.string() + "\r\n");

    // The viewer got exactly its four arguments, the time-out clamped to the minimum, and shows the report.
    const std::vector<std::string> expected{"--wait-file", "--wait-timeout=5000", "--", U8(paths.textPath)};
    EXPECT_EQ(ViewerArgs(), expected);
    EXPECT_NE(WaitForContent(ViewerOutputPath(), report), "");
  }
}

TEST_F(WorkerTest, ASecondRunForTheSameViewedFileStartsFromClean) {
  const fs::path viewed = tmp_.path() / "doc.pdf";
  const SessionPaths paths = PathsFor(viewed);
  // Leftovers of an earlier run, including temporary files of a run that died while writing.
  for (const auto* p : {&paths.jsonPath, &paths.logPath, &paths.textTempPath, &paths.jsonTempPath}) {
    WriteFile(U8(*p), "old");
  }
  const std::vector<std::string> args{(tmp_.path() / "missing.png").string(), Viewer().string(), viewed.string()};
  EXPECT_EQ(Run(args).exitCode, 2);
  EXPECT_EQ(Run(args).exitCode, 2);

  EXPECT_FALSE(fs::exists(U8(paths.jsonPath)));
  EXPECT_FALSE(fs::exists(U8(paths.textTempPath)));
  EXPECT_FALSE(fs::exists(U8(paths.jsonTempPath)));
  const std::string log = ReadFile(U8(paths.logPath));
  EXPECT_EQ(log, "Error: Screenshot image does not exist: " + args[0] + "\r\n");  // this run's entry only
}

// Eighty characters of a non-Latin script make a legal file name, but no longer one once the session
// file's digest and extensions are added to it; the name is cut so that the report can still be written.
TEST_F(WorkerTest, ViewedFileWithALongNonLatinNameStillGetsItsReport) {
  std::string name;
  for (int i = 0; i < 77; ++i) name += "\xE4\xB8\xAD";
  const fs::path viewed = tmp_.path() / (name + ".txt");
  const fs::path shot = tmp_.path() / "missing.png";
  const ProgramResult r = Run({shot.string(), Viewer().string(), viewed.string(), "--wait-timeout=5000"});
  EXPECT_EQ(r.exitCode, 2);
  const std::string report = "OCR Failed:\r\nScreenshot image does not exist: " + shot.string() + "\r\n";
  EXPECT_EQ(WaitForContent(ViewerOutputPath(), "OCR Failed:"), report);
}

}  // namespace
}  // namespace vesk::test
