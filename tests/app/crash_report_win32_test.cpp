// The last-resort failure report on Windows, each fatal cause raised in a process of its own (the crash
// probe), with the session files of a viewed file in a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/path.h"
#include "platform/text.h"
#include "session/session_paths.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

class CrashReportTest : public ::testing::Test {
 protected:
  void SetUp() override { paths_ = MakeSessionPaths(kViewed); }

  // Runs the probe after leaving a log entry and an earlier JSON document; the probe leaves its own
  // half-written temporary files.
  test::ProgramResult Crash(const std::string& kind, bool console) {
    test::WriteFile(NativePath(paths_.logPath), "Model hash ok: pp-ocrv5_server_det.onnx\r\n");
    test::WriteFile(NativePath(paths_.jsonPath), "{}\n");
    std::vector<std::string> args{kind, ToUtf8(kViewed)};
    if (console) args.push_back("--console");
    return test::RunProgram(test::Program("vesk_crash_probe"), args, tmp_.path());
  }

  void ExpectReported(const test::ProgramResult& r, const std::string& cause, bool console) {
    const std::string message = "Unexpected failure: the worker stopped unexpectedly (" + cause + ")";
    EXPECT_EQ(r.exitCode, 4) << cause;
    EXPECT_EQ(test::ReadFile(NativePath(paths_.textPath)), "OCR Failed:\r\n" + message + "\r\n");
    EXPECT_EQ(test::ReadFile(NativePath(paths_.logPath)),
              "Model hash ok: pp-ocrv5_server_det.onnx\r\nError: " + message + "\r\n");
    EXPECT_FALSE(fs::exists(NativePath(paths_.jsonPath)));  // a failure report stands alone
    for (const auto& entry : fs::directory_iterator(NativePath(paths_.folder))) {
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
    EXPECT_EQ(r.err, console ? message + "\n" : "");
  }

  static constexpr char16_t kViewed[] = u"C:\\docs\\crash.pdf";
  test::ScopedTempDir tmp_;
  SessionPaths paths_;
};

TEST_F(CrashReportTest, FaultsAreNamedByTheirExceptionCode) {
  ExpectReported(Crash("access", true), "0xC0000005, access violation", true);
  ExpectReported(Crash("divide", false), "0xC0000094, integer division by zero", false);
  ExpectReported(Crash("other", false), "exception 0xE0001234", false);
}

TEST_F(CrashReportTest, FaultOnAnotherThreadIsReportedOnce) {
  ExpectReported(Crash("thread", true), "0xC0000005, access violation", true);
}

TEST_F(CrashReportTest, StackOverflowStillLeavesRoomToReport) {
  ExpectReported(Crash("stack", false), "0xC00000FD, stack overflow", false);
}

TEST_F(CrashReportTest, AbortAndUncaughtErrorsAreToldApart) {
  ExpectReported(Crash("abort", true), "SIGABRT, aborted", true);
  ExpectReported(Crash("terminate", false), "std::terminate, an error that no handler caught", false);
}

}  // namespace
}  // namespace vesk
