#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "worker_process.h"

extern char** environ;

namespace vesk::bench {

std::filesystem::path NoOpProgram() { return "/bin/true"; }

std::filesystem::path MakePrivateFolder(std::string& error) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "vesk-accuracy-XXXXXX").string();
  if (ec) pattern = "/tmp/vesk-accuracy-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    error = "cannot create a temporary folder: " + std::string(std::strerror(errno));
    return {};
  }
  return pattern;
}

bool RunProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& tmpDir, ProcessOutcome& outcome, std::string& error) {
  std::vector<std::string> texts{program.string()};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  std::vector<std::string> variables{"TMPDIR=" + tmpDir.string()};
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "TMPDIR=", 7) != 0) variables.emplace_back(*entry);
  }
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawnError = ::posix_spawn(&pid, texts.front().c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) {
    error = "cannot start " + program.string() + ": " + std::strerror(spawnError);
    return false;
  }
  int status = 0;
  rusage usage{};
  // wait4 gives the child's own resource use; the viewer it starts is not its waited-for child.
  while (::wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      error = "cannot wait for " + program.string() + ": " + std::strerror(errno);
      return false;
    }
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  outcome.peakBytes = static_cast<int64_t>(usage.ru_maxrss) * 1024;  // kibibytes on Linux
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  outcome.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return true;
}

}  // namespace vesk::bench
