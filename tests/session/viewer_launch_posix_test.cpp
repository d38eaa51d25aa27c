// Starting the viewer, checked end to end with the stand-in viewer, which records its arguments.

#include "session/viewer_launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "platform/text.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

fs::path StandIn() { return test::BinDir() / "vesk_viewer_standin"; }

std::u16string U16(const fs::path& path) { return FromUtf8(path.string()); }

// The viewer runs on its own; give it ample time to show up.
bool WaitFor(const fs::path& path) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

class LaunchViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_ = tmp_.path() / "record.txt";
    ::setenv("VESK_VIEWER_RECORD", record_.c_str(), 1);
  }
  void TearDown() override { ::unsetenv("VESK_VIEWER_RECORD"); }

  // An already present report, so that each viewer finishes at once.
  fs::path Report(const std::string& name) {
    const fs::path report = tmp_.path() / name;
    test::WriteFile(report, "report\n");
    return report;
  }

  test::ScopedTempDir tmp_;
  fs::path record_;
};

TEST_F(LaunchViewerTest, ViewerGetsExactlyTheWaitArguments) {
  const fs::path report = Report("d41d8cd9 - a.png.ocr.txt");
  ASSERT_TRUE(LaunchViewer(U16(StandIn()), U16(report), 120000));
  ASSERT_TRUE(WaitFor(record_));
  EXPECT_EQ(test::ReadFile(record_), "--wait-file\n--wait-timeout=120000\n--\n" + report.string() + "\n");
}

TEST_F(LaunchViewerTest, PathsWithSpacesAndQuotesArriveIntact) {
  const fs::path viewerDir = tmp_.path() / "my viewer";
  fs::create_directory(viewerDir);
  const fs::path viewer = viewerDir / "vesk viewer";
  fs::copy_file(StandIn(), viewer);
  const fs::path report = Report("a \"b\" -- c.ocr.txt");

  ASSERT_TRUE(LaunchViewer(U16(viewer), U16(report), -5));
  ASSERT_TRUE(WaitFor(record_));
  EXPECT_EQ(test::ReadFile(record_), "--wait-file\n--wait-timeout=-5\n--\n" + report.string() + "\n");
}

TEST_F(LaunchViewerTest, EmptyPathsAreRefused) {
  const fs::path report = Report("a.ocr.txt");
  EXPECT_FALSE(LaunchViewer(u"", U16(report), 5000));
  EXPECT_FALSE(LaunchViewer(U16(StandIn()), u"", 5000));
}

TEST_F(LaunchViewerTest, ViewerThatCannotBeExecutedIsReported) {
  const fs::path report = Report("a.ocr.txt");
  const fs::path plain = tmp_.path() / "not-executable";
  fs::copy_file(StandIn(), plain);
  fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
  const fs::path noFormat = tmp_.path() / "no-format";
  test::WriteFile(noFormat, "just text\n");
  fs::permissions(noFormat, fs::perms::owner_all);

  EXPECT_FALSE(LaunchViewer(U16(tmp_.path() / "missing"), U16(report), 5000));
  EXPECT_FALSE(LaunchViewer(U16(plain), U16(report), 5000));
  EXPECT_FALSE(LaunchViewer(U16(tmp_.path()), U16(report), 5000));
  EXPECT_FALSE(LaunchViewer(U16(noFormat), U16(report), 5000));
  // Only an absolute or relative path counts: no search of PATH.
  EXPECT_FALSE(LaunchViewer(u"true", U16(report), 5000));
}

// The state letter of a process (R running, S sleeping, ...), 0 when it cannot be read.
char ProcessState(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const size_t nameEnd = line.rfind(')');
  return nameEnd != std::string::npos && nameEnd + 2 < line.size() ? line[nameEnd + 2] : 0;
}

// A viewer that records its process id and then sleeps, so that what it holds can be looked at.
class LingeringViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pidFile_ = tmp_.path() / "viewer.pid";
    viewer_ = tmp_.path() / "lingering viewer";
    test::WriteLingeringProgram(viewer_);
    ::setenv("VESK_TEST_PID_FILE", pidFile_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("VESK_TEST_PID_FILE");
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Starts the viewer and waits until it sleeps; false when it did not get there.
  bool Launch() {
    if (!LaunchViewer(U16(viewer_), U16(tmp_.path() / "never.ocr.txt"), 5000) || !WaitFor(pidFile_)) return false;
    pid_ = std::stoi(test::ReadFile(pidFile_));
    const fs::path exe = "/proc/" + std::to_string(pid_) + "/exe";
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    std::error_code ec;
    // Sleeping in sleep: the files its own start-up opens (locale data) are closed again by then.
    while (fs::read_symlink(exe, ec).filename() != "sleep" || ProcessState(pid_) != 'S') {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }

  test::ScopedTempDir tmp_;
  fs::path pidFile_;
  fs::path viewer_;
  pid_t pid_ = -1;
};

// The viewer outlives the worker; whatever of the worker's it held open (an output pipe of whoever
// started the worker, a session file) would stay open with it.
TEST_F(LingeringViewerTest, ViewerHoldsNothingOfOursButTheNullDevice) {
  int leakedPipe[2];
  ASSERT_EQ(::pipe(leakedPipe), 0);  // without close-on-exec, as a library might open one
  const int leakedFile = ::open(viewer_.c_str(), O_RDONLY);
  ASSERT_GE(leakedFile, 0);
  const bool launched = Launch();
  ::close(leakedPipe[0]);
  ::close(leakedPipe[1]);
  ::close(leakedFile);
  ASSERT_TRUE(launched);

  std::map<std::string, fs::path> open;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid_) + "/fd")) {
    open[entry.path().filename().string()] = fs::read_symlink(entry.path());
  }
  const std::map<std::string, fs::path> expected{{"0", "/dev/null"}, {"1", "/dev/null"}, {"2", "/dev/null"}};
  EXPECT_EQ(open, expected);
}

// Runs the stand-in directly and returns its exit code and standard output.
int RunStandIn(const std::string& arguments, std::string& output, const std::string& environment = "") {
  FILE* pipe = ::popen((environment + " '" + StandIn().string() + "' " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[256];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ViewerStandIn, PrintsTheFileOnceItAppears) {
  test::ScopedTempDir tmp;
  const fs::path report = tmp.path() / "late.ocr.txt";
  std::thread writer([&] {
    std::this_thread::sleep_for(200ms);
    test::WriteFile(tmp.path() / "late.tmp", "OCR text\r\n");
    fs::rename(tmp.path() / "late.tmp", report);
  });
  std::string output;
  const int code = RunStandIn("--wait-file --wait-timeout=30000 -- '" + report.string() + "'", output);
  writer.join();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(output, "OCR text\r\n");
}

// Started by the worker, the viewer has no terminal to print on: it shows the report in a file instead.
TEST(ViewerStandIn, ShowsInTheFileNamedByItsEnvironment) {
  test::ScopedTempDir tmp;
  const fs::path report = tmp.path() / "a.ocr.txt";
  const fs::path shown = tmp.path() / "shown.txt";
  test::WriteFile(report, "OCR text\r\n");
  std::string output;
  EXPECT_EQ(RunStandIn("--wait-file --wait-timeout=30000 -- '" + report.string() + "'", output,
                       "VESK_VIEWER_OUTPUT='" + shown.string() + "'"),
            0);
  EXPECT_EQ(output, "");
  EXPECT_EQ(test::ReadFile(shown), "OCR text\r\n");

  // A pipe (or the null device) stays what it is and gets the text.
  const fs::path pipe = tmp.path() / "shown.pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = test::ReadFile(pipe); });
  EXPECT_EQ(RunStandIn("--wait-file --wait-timeout=30000 -- '" + report.string() + "'", output,
                       "VESK_VIEWER_OUTPUT='" + pipe.string() + "'"),
            0);
  reader.join();
  EXPECT_EQ(piped, "OCR text\r\n");
  EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST(ViewerStandIn, GivesUpAfterTheTimeOutAndRejectsOtherCommandLines) {
  test::ScopedTempDir tmp;
  const fs::path missing = tmp.path() / "never.ocr.txt";
  std::string output;
  EXPECT_EQ(RunStandIn("--wait-file --wait-timeout=50 -- '" + missing.string() + "'", output), 1);
  EXPECT_NE(output.find("Timed out"), std::string::npos) << output;

  for (const char* bad : {"", "--wait-file -- x", "--wait-timeout=5 -- x", "--wait-file --wait-timeout=x -- x",
                          "--wait-file --wait-timeout=5 x", "--wait-file --wait-timeout=5 -- x y"}) {
    output.clear();
    EXPECT_EQ(RunStandIn(bad, output), 2) << bad;
  }
}

}  // namespace
}  // namespace vesk
