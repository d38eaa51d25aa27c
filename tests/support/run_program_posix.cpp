#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace vesk::test {

StartedProgram StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                            const std::filesystem::path& captureDir,
                            const std::map<std::string, std::string>& extraEnv) {
  static int counter = 0;
  const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(counter++);
  StartedProgram started;
  started.outPath = captureDir / ("stdout-" + tag);
  started.errPath = captureDir / ("stderr-" + tag);

  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(started.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(started.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0) ::_exit(127);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const auto& [k, v] : extraEnv) ::setenv(k.c_str(), v.c_str(), 1);
    ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  started.pid = pid < 0 ? -1 : pid;
  return started;
}

ProgramResult FinishProgram(const StartedProgram& started) {
  ProgramResult result;
  result.outPath = started.outPath;
  if (started.pid < 0) return result;
  int status = 0;
  while (::waitpid(static_cast<pid_t>(started.pid), &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadFile(started.outPath);
  result.err = ReadFile(started.errPath);
  return result;
}

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir, const std::map<std::string, std::string>& extraEnv) {
  return FinishProgram(StartProgram(program, args, captureDir, extraEnv));
}

}  // namespace vesk::test
