#include "e2e/worker_fixture.h"

#include <sstream>
#include <thread>

#include "platform/text.h"
#include "support/temp_env.h"

namespace vesk::test {

namespace fs = std::filesystem;

fs::path WorkerTest::RecordPath() const {
  return records_.empty() ? tmp_.path() / "viewer-args.txt" : records_.back().path;
}

fs::path WorkerTest::ShownPath() const { return RecordPath().string() + ".shown"; }

ProgramResult WorkerTest::Run(const std::vector<std::string>& args, const std::filesystem::path& worker) {
  const std::map<std::string, std::string> environment = Environment();
  ProgramResult result = RunProgram(worker.empty() ? Worker() : worker, args, tmp_.path(), environment);
  // Only a bad command line (1) or a failed launch (5) ends a run without a viewer.
  records_.back().launched = result.exitCode >= 0 && result.exitCode != 1 && result.exitCode != 5;
  return result;
}

std::map<std::string, std::string> WorkerTest::Environment() {
  records_.push_back({tmp_.path() / ("viewer-args-" + std::to_string(records_.size()) + ".txt"), false});
  std::map<std::string, std::string> environment{{"VESK_VIEWER_RECORD", RecordPath().string()}};
  for (const std::string& name : TempDirectoryVariables()) environment[name] = tmp_.path().string();
  return environment;
}

void WorkerTest::TearDown() {
  for (const ViewerRecord& record : records_) {
    std::error_code ec;
    if (record.launched || fs::exists(record.path, ec)) WaitForContent(record.path.string() + ".shown", "");
  }
}

StartedProgram WorkerTest::Start(const std::vector<std::string>& args) {
  return StartProgram(Worker(), args, tmp_.path(), Environment());
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
    if (std::filesystem::exists(path, ec)) {
      const std::string content = ReadFile(path);
      if (content.find(needle) != std::string::npos) return content;
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
