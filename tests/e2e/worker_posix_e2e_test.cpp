// The worker among POSIX processes: output pipes and the viewer it starts, signals, a private /tmp and a
// shared session folder, file names that are bytes, runs for one view that overlap, and a runtime
// without DirectML.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "e2e/worker_fixture.h"
#include "platform/files.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// Reads fd to its end; false when that did not come within the limit.
bool ReadToEnd(int fd, std::string& out, std::chrono::seconds limit) {
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + limit;
  for (;;) {
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{fd, POLLIN, 0};
    const int n = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    char buffer[4096];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got == 0;
    out.append(buffer, static_cast<size_t>(got));
  }
}

// Ends the viewer a test started through the worker, whatever the test's outcome.
struct ViewerKiller {
  fs::path pidFile;
  ~ViewerKiller() {
    std::error_code ec;
    if (!fs::exists(pidFile, ec)) return;
    const pid_t pid = std::stoi(ReadFile(pidFile));
    if (pid > 0) ::kill(pid, SIGKILL);
  }
};

// out=$(VeskOcrWorker ... --console) is done when the worker is, not when the viewer it started is.
TEST_F(WorkerTest, CallerReadingTheOutputIsNotKeptWaitingByTheViewer) {
  const fs::path viewer = tmp_.path() / "lingering viewer";
  const ViewerKiller killer{tmp_.path() / "viewer.pid"};
  WriteLingeringProgram(viewer);
  std::map<std::string, std::string> env = WorkerEnvironment();
  env["VESK_TEST_PID_FILE"] = killer.pidFile.string();

  int output[2];
  ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
  const fs::path shot = tmp_.path() / "missing.png";
  const fs::path viewed = tmp_.path() / "doc.pdf";
  const int pid =
      StartProgramOn(Worker(), {shot.string(), viewer.string(), viewed.string(), "--console"}, env, output[1], output[1]);
  ::close(output[1]);
  std::string text;
  const bool ended = ReadToEnd(output[0], text, std::chrono::seconds(60));
  ::close(output[0]);
  EXPECT_EQ(WaitForProgram(pid), 2);
  EXPECT_TRUE(ended) << "the output pipe stayed open after the worker ended";
  EXPECT_EQ(text, "Screenshot image does not exist: " + shot.string() + "\n");

  // The viewer had started and was still there: the pipe ended with the worker, not with the viewer.
  ASSERT_NE(WaitForContent(killer.pidFile, "\n"), "");
  EXPECT_EQ(::kill(std::stoi(ReadFile(killer.pidFile)), 0), 0);
}

// The worker starts itself once more with large pages asked for; the viewer still gets the environment
// the worker was given, with or without the C library's tunables.
TEST_F(WorkerTest, TheViewerGetsTheEnvironmentTheWorkerWasGiven) {
  const fs::path viewer = tmp_.path() / "environment viewer";
  const fs::path seen = tmp_.path() / "environment.txt";
  WriteFile(viewer, "#!/bin/sh\nenv > \"$VESK_TEST_ENV_FILE.tmp\" && mv \"$VESK_TEST_ENV_FILE.tmp\" \"$VESK_TEST_ENV_FILE\"\n");
  fs::permissions(viewer, fs::perms::owner_all);
  ASSERT_EQ(::getenv("GLIBC_TUNABLES"), nullptr) << "the test needs an environment without tunables";
  for (const std::string tunables : {"", "glibc.malloc.tcache_count=5"}) {
    SCOPED_TRACE(tunables);
    fs::remove(seen);
    std::map<std::string, std::string> env{{"VESK_TEST_ENV_FILE", seen.string()}};
    if (!tunables.empty()) env["GLIBC_TUNABLES"] = tunables;
    const ProgramResult r = RunProgram(
        Worker(), {(tmp_.path() / "missing.png").string(), viewer.string(), (tmp_.path() / "doc.pdf").string()},
        tmp_.path(), env);
    EXPECT_EQ(r.exitCode, 2);
    const std::string shown = WaitForContent(seen, "VESK_TEST_ENV_FILE=");
    EXPECT_EQ(shown.find("VESK_OCR_TUNABLES_GIVEN"), std::string::npos);
    if (tunables.empty()) {
      EXPECT_EQ(shown.find("GLIBC_TUNABLES"), std::string::npos) << shown;
    } else {
      EXPECT_TRUE(HasLine(shown, "GLIBC_TUNABLES=" + tunables)) << shown;
    }
  }
}

// A reader that has gone away makes the worker's console writes fail: a failure, or a completion line,
// that nobody reads any more still ends the run as it would otherwise.
TEST_F(PipelineTest, ConsoleNobodyReadsDoesNotChangeTheOutcome) {
  const fs::path missing = tmp_.path() / "missing.png";
  for (const auto& [shot, code, report] : std::vector<std::tuple<fs::path, int, std::string>>{
           {missing, 2, "OCR Failed:\r\nScreenshot image does not exist: " + missing.string() + "\r\n"},
           {Sample("blank.png"), 0, "No text detected in the current view.\r\n"}}) {
    int output[2];
    ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
    ::close(output[0]);
    const std::vector<std::string> args{shot.string(), Viewer().string(), Viewed().string(), "--console", "--ep=cpu"};
    const int pid = StartProgramOn(Worker(), args, WorkerEnvironment(), output[1], output[1]);
    ::close(output[1]);
    EXPECT_EQ(WaitForProgram(pid), code);
    EXPECT_EQ(ReadFile(U8(Paths().textPath)), report);
  }
}

// Runs the worker in a mount namespace of its own whose /tmp is privateTmp, so that a test can watch
// it fall back to /tmp without touching the real one. The exit code, or nullopt when this machine
// cannot make such a namespace.
std::optional<int> RunWithPrivateTmp(const fs::path& privateTmp, const std::vector<std::string>& workerArgs,
                                     const std::map<std::string, std::string>& env, const fs::path& captureDir) {
  const fs::path unshare = "/usr/bin/unshare";
  std::error_code ec;
  if (!fs::exists(unshare, ec) || RunProgram(unshare, {"-rm", "/bin/true"}, captureDir).exitCode != 0) return {};
  std::vector<std::string> args{"-rm", "/bin/sh", "-c", "mount --bind \"$0\" /tmp && exec \"$@\"", privateTmp.string()};
  args.insert(args.end(), workerArgs.begin(), workerArgs.end());
  return RunProgram(unshare, args, captureDir, env).exitCode;
}

// A TMPDIR that is missing or not a folder could never hold a report: the worker uses /tmp, and tells
// the viewer so.
TEST_F(WorkerTest, TmpdirThatCannotHoldTheReportFallsBackToTmp) {
  if (BinDir().string().starts_with("/tmp/")) GTEST_SKIP() << "the build lies under /tmp, which the test replaces";
  const fs::path privateTmp = tmp_.path() / "tmp";
  fs::create_directory(privateTmp);
  WriteFile(privateTmp / "a-file", "not a folder");
  for (const std::string& tmpdir : {(tmp_.path() / "missing").string(), std::string("/tmp/a-file")}) {
    SCOPED_TRACE(tmpdir);
    fs::remove_all(privateTmp / "VeskOCR");
    std::map<std::string, std::string> env = {{"TMPDIR", tmpdir},
                                              {"VESK_VIEWER_RECORD", "/tmp/viewer-args.txt"},
                                              {"VESK_VIEWER_OUTPUT", "/tmp/viewer-output.txt"}};
    const std::vector<std::string> workerArgs{Worker().string(), "/tmp/missing.png", Viewer().string(),
                                              "/home/u/doc.pdf", "--wait-timeout=5000"};
    const std::optional<int> code = RunWithPrivateTmp(privateTmp, workerArgs, env, tmp_.path());
    if (!code) GTEST_SKIP() << "no private mount namespace can be made here";
    EXPECT_EQ(*code, 2);

    const std::string report = "OCR Failed:\r\nScreenshot image does not exist: /tmp/missing.png\r\n";
    EXPECT_EQ(WaitForContent(privateTmp / "viewer-output.txt", "OCR Failed:"), report);
    const std::string args = WaitForContent(privateTmp / "viewer-args.txt", "--\n");
    EXPECT_NE(args.find("\n--\n/tmp/VeskOCR/"), std::string::npos) << args;
    fs::remove(privateTmp / "viewer-output.txt");
    fs::remove(privateTmp / "viewer-args.txt");
  }
}

// Well-formed UTF-8, checked without the worker's own conversion routines.
bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    uint32_t cp = length == 1 ? b : b & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

// A POSIX file name is bytes, and need not be UTF-8. The worker reads the file by its real name, and the
// JSON document, which must be UTF-8, names it with U+FFFD for each byte that is not.
TEST_F(PipelineTest, ScreenshotNameThatIsNotUtf8StillGivesAValidJsonDocument) {
  const fs::path shot = tmp_.path() / "shot-\xFF\xFE.png";
  fs::copy_file(Sample("blank.png"), shot);
  const ProgramResult r = RunOn(shot, {"--ep=cpu", "--barcode=0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string json = ReadFile(U8(Paths().jsonPath));
  EXPECT_TRUE(IsValidUtf8(json)) << json;
  EXPECT_NE(json.find("  \"source_image\": \"" + tmp_.path().string() + "/shot-\xEF\xBF\xBD\xEF\xBF\xBD.png\",\n"),
            std::string::npos)
      << json;
}

// The user asks again (and again) before the first answer came: runs for one view overlap, some failing
// while others succeed. Each ends as it would alone, and whoever reads the text report and the JSON
// document under the view's lock, at any moment, finds both whole and from one run: after a failure
// report there is no JSON document at all.
TEST_F(PipelineTest, OverlappingRunsForOneViewNeverMixTheirFiles) {
  struct Launch {
    fs::path shot;
    std::vector<std::string> extra;
    int delayMs;  // after the round's start
    int expectedCode;
  };
  const fs::path blank = tmp_.path() / "blank.png";
  const fs::path qr = Sample("qr_and_text.png");
  const fs::path missing = tmp_.path() / "missing.png";
  fs::copy_file(Sample("blank.png"), blank);
  // Failures start while the successes are under way, so that they end before, between and after the
  // successes move their files into place.
  const std::vector<Launch> launches = {
      {blank, {}, 0, 0},
      {qr, {}, 0, 0},
      {blank, {"--force-dml-fail=run"}, 250, 4},  // fails after the model set-up
      {missing, {}, 400, 2},
      {blank, {"--force-dml-fail=run"}, 600, 4},
      {missing, {}, 900, 2},
  };
  const std::string blankReport = "No text detected in the current view.\r\n";
  const std::vector<std::string> failureReports = {
      "OCR Failed:\r\nOCR recognition failed: Pipeline failed: Fault injection: --force-dml-fail=run\n\r\n",
      "OCR Failed:\r\nScreenshot image does not exist: " + missing.string() + "\r\n"};
  const SessionPaths paths = Paths();

  // What is wrong with the pair of files as they are now; empty when nothing is.
  const auto findMix = [&]() -> std::string {
    const FileLockHandle lock = AcquireFileLock(paths.lockPath, 60000);
    if (lock == kNoFileLock) return "the view's lock could not be had";
    std::error_code ec;
    const bool hasText = fs::exists(U8(paths.textPath), ec);
    const bool hasJson = fs::exists(U8(paths.jsonPath), ec);
    const std::string text = hasText ? ReadFile(U8(paths.textPath)) : "";
    const std::string json = hasJson ? ReadFile(U8(paths.jsonPath)) : "";
    ReleaseFileLock(lock);
    const auto jsonNames = [&json](const fs::path& shot) {
      return json.find("\"source_image\": \"" + shot.string() + "\",") != std::string::npos;
    };
    if (!hasText) return hasJson ? "a JSON document without a text report" : "";
    if (text == blankReport) return jsonNames(blank) ? "" : "the blank run's report beside: " + json;
    if (text.starts_with("==================================================\r\n[QR Code / Barcode]")) {
      return jsonNames(qr) ? "" : "the QR run's report beside: " + json;
    }
    if (std::find(failureReports.begin(), failureReports.end(), text) != failureReports.end()) {
      return hasJson ? "a failure report beside: " + json : "";
    }
    return "a text report of no single run: " + text;
  };

  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const auto roundStart = std::chrono::steady_clock::now();
    std::vector<int> pids;
    std::vector<int> codes(launches.size(), -1);
    std::string mix;
    size_t ended = 0;
    while (ended < launches.size()) {
      const auto now = std::chrono::steady_clock::now();
      while (pids.size() < launches.size() &&
             now >= roundStart + std::chrono::milliseconds(launches[pids.size()].delayMs)) {
        const Launch& launch = launches[pids.size()];
        std::vector<std::string> args{launch.shot.string(), Viewer().string(), Viewed().string(), "--ep=cpu"};
        args.insert(args.end(), launch.extra.begin(), launch.extra.end());
        pids.push_back(StartProgramOn(Worker(), args, WorkerEnvironment(), sink, sink));
      }
      for (size_t i = 0; i < pids.size(); ++i) {
        int status = 0;
        if (codes[i] == -1 && pids[i] > 0 && ::waitpid(pids[i], &status, WNOHANG) == pids[i]) {
          codes[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 256;
          ++ended;
        }
      }
      if (mix.empty()) mix = findMix();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::close(sink);

    for (size_t i = 0; i < launches.size(); ++i) EXPECT_EQ(codes[i], launches[i].expectedCode) << "run " << i;
    EXPECT_EQ(mix, "");
    EXPECT_EQ(findMix(), "");
    for (const auto& entry : fs::directory_iterator(fs::path(U8(paths.folder)))) {
      EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    }
  }
}

TEST_F(WorkerTest, PlantedSessionFolderSymlinkDoesNotRedirectTheReport) {
  const fs::path elsewhere = tmp_.path() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::create_directory_symlink(elsewhere, tmp_.path() / "VeskOCR");

  const fs::path viewed = tmp_.path() / "doc.pdf";
  const ProgramResult r = Run({(tmp_.path() / "missing.png").string(), Viewer().string(), viewed.string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(fs::is_empty(elsewhere));

  // The viewer was pointed at a report in a private folder of the worker's own, and the report is there.
  const std::vector<std::string> args = ViewerArgs();
  ASSERT_EQ(args.size(), 4u);
  const fs::path report = args[3];
  EXPECT_NE(fs::canonical(report.parent_path()), fs::canonical(elsewhere));
  EXPECT_EQ(fs::status(report.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_NE(WaitForContent(report, "OCR Failed:\r\n"), "");
}

// This platform's runtime has no DirectML provider at all.
TEST_F(PipelineTest, AutoFallsBackToTheCpuWithANoteAndDmlFails) {
  ProgramResult r = RunOn(Sample("blank.png"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(" ms, EP=cpu (Fallback: DML det session init failed: DirectML provider symbol not present "
                       "in onnxruntime.dll; Det and Rec run on CPU)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(ReadFile(U8(Paths().jsonPath)).find("\"fallback\": true\n"), std::string::npos);

  r = RunOn(Sample("blank.png"), {"--ep=dml"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err,
            "Model initialization failed:\nDML det init failed: DirectML provider symbol not present in "
            "onnxruntime.dll\n\n\n");
}

}  // namespace
}  // namespace vesk::test
