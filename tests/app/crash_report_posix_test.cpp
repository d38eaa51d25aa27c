// The last-resort failure report, each fatal cause raised in a child process of its own.

#include "app/crash_report.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

// Runs body in a forked child, its standard error sent to errPath; returns the child's wait status.
int InChild(const fs::path& errPath, const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err < 0) ::_exit(127);
    ::dup2(err, STDERR_FILENO);
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

class CrashReportTest : public ::testing::Test {
 protected:
  fs::path P(const std::u16string& path) const { return ToUtf8(path); }
  fs::path ErrPath() const { return tmp_.path() / "stderr.txt"; }

  // What an interrupted run leaves: a log with an entry, half-written temporary files, an old report.
  void LeaveARunInProgress() {
    test::WriteFile(P(paths_.logPath), "Model hash ok: pp-ocrv5_server_det.onnx\r\n");
    test::WriteFile(P(paths_.textTempPath), "half");
    test::WriteFile(P(paths_.jsonTempPath), "{\n  \"schema\"");
    std::error_code ec;
    fs::remove(P(paths_.textPath), ec);
  }

  void ExpectReported(int status, const std::string& cause) {
    const std::string message = "Unexpected failure: the worker stopped unexpectedly (" + cause + ")";
    ASSERT_TRUE(WIFEXITED(status)) << cause << ": status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 4) << cause;
    EXPECT_EQ(test::ReadFile(P(paths_.textPath)), "OCR Failed:\r\n" + message + "\r\n");
    EXPECT_EQ(test::ReadFile(P(paths_.logPath)),
              "Model hash ok: pp-ocrv5_server_det.onnx\r\nError: " + message + "\r\n");
    EXPECT_FALSE(fs::exists(P(paths_.textTempPath))) << cause;
    EXPECT_FALSE(fs::exists(P(paths_.jsonTempPath))) << cause;
  }

  test::ScopedTempDir tmp_;
  SessionPaths paths_ = MakeSessionPaths(FromUtf8((tmp_.path() / "doc.pdf").string()));
};

TEST_F(CrashReportTest, EveryFatalSignalLeavesTheReportALogEntryAndExitCodeFour) {
  const std::pair<int, const char*> causes[] = {
      {SIGSEGV, "SIGSEGV, segmentation fault"}, {SIGBUS, "SIGBUS, bus error"}, {SIGABRT, "SIGABRT, aborted"},
      {SIGFPE, "SIGFPE, arithmetic error"},     {SIGILL, "SIGILL, illegal instruction"}};
  for (const auto& [signal, cause] : causes) {
    LeaveARunInProgress();
    const int status = InChild(ErrPath(), [&] {
      ArmCrashReport(paths_, false);
      std::raise(signal);
    });
    ExpectReported(status, cause);
    EXPECT_EQ(test::ReadFile(ErrPath()), "");  // nothing printed without --console
  }
}

TEST_F(CrashReportTest, TerminateIsReportedAsSuchAndConsoleGetsTheMessage) {
  LeaveARunInProgress();
  const int status = InChild(ErrPath(), [&] {
    ArmCrashReport(paths_, true);
    std::terminate();
  });
  const std::string cause = "std::terminate, an error that no handler caught";
  ExpectReported(status, cause);
  EXPECT_EQ(test::ReadFile(ErrPath()), "Unexpected failure: the worker stopped unexpectedly (" + cause + ")\n");
}

TEST_F(CrashReportTest, StackOverflowIsReported) {
  LeaveARunInProgress();
  const int status = InChild(ErrPath(), [&] {
    ArmCrashReport(paths_, false);
    const std::function<int(int)> recurse = [&](int depth) {
      volatile char frame[4096];
      frame[0] = static_cast<char>(depth);
      return recurse(depth + 1) + frame[0];
    };
    recurse(0);
  });
  ExpectReported(status, "SIGSEGV, segmentation fault");
}

// Once the run has reported, a fault while the process exits must not replace that report.
TEST_F(CrashReportTest, DisarmedHandlersLeaveTheRunsOwnReport) {
  test::WriteFile(P(paths_.textPath), "the run's report\r\n");
  const int status = InChild(ErrPath(), [&] {
    ArmCrashReport(paths_, false);
    DisarmCrashReport();
    std::raise(SIGABRT);
  });
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT) << status;
  EXPECT_EQ(test::ReadFile(P(paths_.textPath)), "the run's report\r\n");
}

}  // namespace
}  // namespace vesk
