#include "e2e/worker_fixture.h"

#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/text.h"
#include "support/temp_env.h"

namespace vesk::test {

namespace fs = std::filesystem;

std::vector<std::string> CrlfLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

fs::path WorkerTest::RecordPath() const {
  return viewers_.empty() ? tmp_.path() / "viewer-args.txt" : viewers_.back().record;
}

fs::path WorkerTest::ViewerOutputPath() const {
  return viewers_.empty() ? tmp_.path() / "viewer-output.txt" : viewers_.back().output;
}

std::map<std::string, std::string> WorkerTest::WorkerEnvironment() {
  const std::string run = std::to_string(viewers_.size());
  viewers_.push_back({tmp_.path() / ("viewer-args-" + run + ".txt"), tmp_.path() / ("viewer-output-" + run + ".txt")});
  std::map<std::string, std::string> environment{{"VESK_VIEWER_RECORD", RecordPath().string()},
                                                 {"VESK_VIEWER_OUTPUT", ViewerOutputPath().string()}};
  for (const std::string& name : TempDirectoryVariables()) environment[name] = tmp_.path().string();
  return environment;
}

ProgramResult WorkerTest::Run(const std::vector<std::string>& args, const std::filesystem::path& worker) {
  const std::map<std::string, std::string> environment = WorkerEnvironment();
  ProgramResult result = RunProgram(worker.empty() ? Worker() : worker, args, tmp_.path(), environment);
  // Only a bad command line (1) or a failed launch (5) ends a run without a viewer.
  viewers_.back().launched = result.exitCode >= 0 && result.exitCode != 1 && result.exitCode != 5;
  return result;
}

StartedProgram WorkerTest::Start(const std::vector<std::string>& args) {
  return StartProgram(Worker(), args, tmp_.path(), WorkerEnvironment());
}

void WorkerTest::TearDown() {
  for (const ViewerFiles& viewer : viewers_) {
    std::error_code ec;
    if (viewer.launched || fs::exists(viewer.record, ec)) WaitForContent(viewer.output, "");
  }
}

SessionPaths WorkerTest::PathsFor(const std::filesystem::path& viewedFile) const {
  return MakeSessionPaths(FromUtf8(viewedFile.string()));
}

bool WorkerTest::HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

std::string WorkerTest::WaitForContent(const std::filesystem::path& path, const std::string& needle,
                                       std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code ec;
    // Under Wine a file the viewer is writing can exist a moment before it opens: it is read again.
    if (std::filesystem::exists(path, ec)) {
      try {
        const std::string content = ReadFile(path);
        if (content.find(needle) != std::string::npos) return content;
      } catch (const std::runtime_error&) {
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

fs::path WorkerTest::InstallWorkerCopy(const fs::path& backendSource) const {
  const fs::path dir = tmp_.path() / "install";
  fs::create_directories(dir);
  fs::copy_file(Worker(), dir / Worker().filename(), fs::copy_options::overwrite_existing);
  fs::copy(BinDir() / "models", dir / "models", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  if (!backendSource.empty()) {
    fs::copy(backendSource, dir / "backend", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  return dir / Worker().filename();
}

std::vector<std::string> WorkerTest::ViewerArgs() const {
  // The record is complete once all four arguments, each ending in a line feed, are there.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  std::vector<std::string> args;
  while (std::chrono::steady_clock::now() < deadline) {
    const std::string content = WaitForContent(RecordPath(), "--\n", std::chrono::milliseconds(100));
    args.clear();
    std::istringstream in(content);
    for (std::string line; std::getline(in, line);) args.push_back(line);
    if (args.size() >= 4 && content.back() == '\n') break;
  }
  return args;
}

}  // namespace vesk::test
