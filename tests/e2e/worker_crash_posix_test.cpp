// A worker killed by a fatal signal in the middle of its OCR pass still leaves the waiting viewer a
// failure report. The moment is found without guessing at times: Linux's inotify tells when the worker
// has read the screenshot, and its CPU time in /proc tells when it has worked on past the decoding.

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "e2e/worker_fixture.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// User plus system CPU time of a process, in clock ticks; -1 once it is gone.
long long CpuTicks(long long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return -1;
  // The fields after the parenthesised command name: state is field 3, utime 14, stime 15.
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string skip;
  for (int field = 3; field < 14; ++field) fields >> skip;
  long long user = 0;
  long long system = 0;
  fields >> user >> system;
  return fields ? user + system : -1;
}

class WorkerCrashTest : public WorkerTest {
 protected:
  // Starts the worker without the barcode scan on a copy of the 1920 x 1080 sample and returns once it
  // has read the picture and spent a further 100 ms of CPU time: past the decoding, inside the OCR pass,
  // which takes seconds on that picture.
  StartedProgram StartAndWaitForTheOcrPass() {
    const fs::path shot = tmp_.path() / "shot.png";
    fs::copy_file(TestDataDir() / "samples" / "screen_1920x1080.png", shot);
    const int watch = ::inotify_init1(IN_CLOEXEC);
    EXPECT_GE(watch, 0);
    EXPECT_GE(::inotify_add_watch(watch, shot.c_str(), IN_CLOSE_NOWRITE), 0);

    const StartedProgram worker = Start({shot.string(), Viewer().string(), Viewed().string(), "--console",
                                         "--ep=cpu", "--barcode=0", "--wait-timeout=60000"});
    // The worker reads the picture in one opening, as it decodes it; the file is closed once the pixels
    // are there.
    pollfd ready{watch, POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 120000), 1) << "the worker never read the screenshot";
    ::close(watch);

    // A worker that stops using the CPU (blocked, or already a zombie) must not hold the test up: it is
    // then signalled where it stands, after at most half a minute.
    const long long read = CpuTicks(worker.pid);
    const long long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    for (long long now = read; now >= 0 && (now - read) * 10 < ticksPerSecond; now = CpuTicks(worker.pid)) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the worker used no CPU time for 30 s after reading the screenshot";
        break;
      }
      std::this_thread::sleep_for(5ms);
    }
    return worker;
  }

  void ExpectCrashReported(int signal, const std::string& cause) {
    const StartedProgram worker = StartAndWaitForTheOcrPass();
    ASSERT_EQ(::kill(static_cast<pid_t>(worker.pid), signal), 0);
    const ProgramResult r = FinishProgram(worker);

    const std::string message = "Unexpected failure: the worker stopped unexpectedly (" + cause + ")";
    const std::string report = "OCR Failed:\r\n" + message + "\r\n";
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err, message + "\n");

    const SessionPaths paths = PathsFor(Viewed());
    EXPECT_EQ(ReadFile(U8(paths.textPath)), report);
    const std::string log = ReadFile(U8(paths.logPath));
    EXPECT_TRUE(log.ends_with("Error: " + message + "\r\n")) << log;
    EXPECT_EQ(log.find("Error: "), log.rfind("Error: ")) << log;
    EXPECT_FALSE(fs::exists(U8(paths.jsonPath)));
    for (const auto& entry : fs::directory_iterator(U8(paths.folder))) {
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }

    // The viewer that the run started was waiting for that report, and shows it.
    const std::vector<std::string> expectedArgs{"--wait-file", "--wait-timeout=60000", "--", U8(paths.textPath)};
    EXPECT_EQ(ViewerArgs(), expectedArgs);
    EXPECT_NE(WaitForContent(ViewerOutputPath(), report), "");
  }

  fs::path Viewed() const { return tmp_.path() / "doc.pdf"; }
};

TEST_F(WorkerCrashTest, SegmentationFaultInTheOcrPassStillReachesTheViewer) {
  ExpectCrashReported(SIGSEGV, "SIGSEGV, segmentation fault");
}

TEST_F(WorkerCrashTest, AbortInTheOcrPassStillReachesTheViewer) {
  ExpectCrashReported(SIGABRT, "SIGABRT, aborted");
}

}  // namespace
}  // namespace vesk::test
