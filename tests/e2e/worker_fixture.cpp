#include "e2e/worker_fixture.h"

#include <sstream>
#include <thread>

#include "platform/text.h"

namespace vesk::test {

namespace fs = std::filesystem;

std::map<std::string, std::string> WorkerTest::WorkerEnvironment() const {
  return {{"VESK_VIEWER_RECORD", RecordPath().string()},
          {"VESK_VIEWER_OUTPUT", ViewerOutputPath().string()},
          {"TMPDIR", tmp_.path().string()}};
}

ProgramResult WorkerTest::Run(const std::vector<std::string>& args, const std::filesystem::path& worker) {
  return RunProgram(worker.empty() ? Worker() : worker, args, tmp_.path(), WorkerEnvironment());
}

StartedProgram WorkerTest::Start(const std::vector<std::string>& args) {
  return StartProgram(Worker(), args, tmp_.path(), WorkerEnvironment());
}

SessionPaths WorkerTest::PathsFor(const std::filesystem::path& viewedFile) const {
  return MakeSessionPaths(FromUtf8(viewedFile.string()));
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
  fs::copy_file(Worker(), dir / "VeskOcrWorker", fs::copy_options::overwrite_existing);
  fs::copy(BinDir() / "models", dir / "models", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  if (!backendSource.empty()) {
    fs::copy(backendSource, dir / "backend", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  return dir / "VeskOcrWorker";
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
