// The inference runtime's own output: its log goes to the worker's sink, and nothing reaches the
// process's standard error.

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "runtime/ort_manager.h"
#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::ScopedTempDir;

// Everything the process writes to its standard error while the object lives, read back by Text().
class CapturedStandardError {
 public:
  CapturedStandardError() : dir_(), path_(dir_.path() / "stderr") {
    std::fflush(stderr);
    saved_ = ::dup(STDERR_FILENO);
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
  }
  ~CapturedStandardError() { Restore(); }
  std::string Text() {
    Restore();
    return test::ReadFile(path_);
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
    saved_ = -1;
  }
  ScopedTempDir dir_;
  std::filesystem::path path_;
  int saved_ = -1;
};

TEST(OrtManagerTest, OlderReleaseIsRefusedWithoutAComplaintOnStandardError) {
  CapturedStandardError captured;
  OrtManager manager;
  EXPECT_FALSE(manager.Initialize(FromUtf8(test::OldBackendDir().string())).ok());
  EXPECT_EQ(captured.Text(), "");
}

// The runtime logs a failing operator on its own; that text reaches the sink, and nothing is printed.
TEST(OrtManagerTest, RuntimeLogGoesToTheSinkInsteadOfStandardError) {
  std::vector<std::string> lines;
  OrtManager::Instance().SetLogSink([&lines](std::string_view line) { lines.emplace_back(line); });
  ModelSession session = test::OpenBundled(test::kDetModel);
  // The detector adds up feature maps of several scales, which only line up for sides that are
  // multiples of 32.
  std::vector<float> pixels(3 * 33 * 33, 0.0f);
  std::string error;
  {
    CapturedStandardError captured;
    const Outcome<ModelOutput> output = session.Run(pixels, {1, 3, 33, 33});
    EXPECT_FALSE(output.ok());
    error = output.status().message();
    EXPECT_EQ(captured.Text(), "");
  }
  OrtManager::Instance().SetLogSink(nullptr);
  ASSERT_FALSE(lines.empty()) << error;
  EXPECT_TRUE(lines.front().starts_with("ONNX Runtime error: ")) << lines.front();
}

// Work done beside other work holds its runtime log back: nothing reaches the sink from the holding
// thread until the lines are released, in the order logged; lines not released are dropped.
TEST(OrtManagerTest, HeldLogReachesTheSinkOnlyWhenReleased) {
  std::vector<std::string> lines;
  OrtManager::Instance().SetLogSink([&lines](std::string_view line) { lines.emplace_back(line); });
  ModelSession session = test::OpenBundled(test::kDetModel);
  std::vector<float> pixels(3 * 33 * 33, 0.0f);
  const auto failingCallHeld = [&] {
    RuntimeLogHold hold;
    EXPECT_FALSE(session.Run(pixels, {1, 3, 33, 33}).ok());
    return hold.Take();
  };
  HeldRuntimeLog dropped;
  std::thread([&] { dropped = failingCallHeld(); }).join();
  HeldRuntimeLog held;
  std::thread([&] { held = failingCallHeld(); }).join();
  EXPECT_TRUE(lines.empty());
  held.Release();
  const std::vector<std::string> released = lines;
  lines.clear();
  // The same call, not held: the released lines are its lines, once (the dropped ones never came).
  EXPECT_FALSE(session.Run(pixels, {1, 3, 33, 33}).ok());
  OrtManager::Instance().SetLogSink(nullptr);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(released, lines);
}

}  // namespace
}  // namespace vesk
