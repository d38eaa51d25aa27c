#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/run_program.h"
#include "support/temp_dir.h"

namespace vesk::test {

int StartProgramOn(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& extraEnv, int outFd, int errFd) {
  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(outFd, 1) < 0 || ::dup2(errFd, 2) < 0) ::_exit(127);
    for (const auto& [k, v] : extraEnv) ::setenv(k.c_str(), v.c_str(), 1);
    ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  return pid < 0 ? -1 : pid;
}

int WaitForProgram(long long pid) {
  if (pid < 0) return -1;
  int status = 0;
  while (::waitpid(static_cast<pid_t>(pid), &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

StartedProgram StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                            const std::filesystem::path& captureDir,
                            const std::map<std::string, std::string>& extraEnv) {
  static int counter = 0;
  const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(counter++);
  StartedProgram started;
  started.outPath = captureDir / ("stdout-" + tag);
  started.errPath = captureDir / ("stderr-" + tag);
  const int out = ::open(started.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int err = ::open(started.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (out >= 0 && err >= 0) started.pid = StartProgramOn(program, args, extraEnv, out, err);
  if (out >= 0) ::close(out);
  if (err >= 0) ::close(err);
  return started;
}

ProgramResult FinishProgram(const StartedProgram& started) {
  ProgramResult result;
  if (started.pid < 0) return result;
  result.exitCode = WaitForProgram(started.pid);
  result.out = ReadFile(started.outPath);
  result.err = ReadFile(started.errPath);
  return result;
}

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir, const std::map<std::string, std::string>& extraEnv) {
  return FinishProgram(StartProgram(program, args, captureDir, extraEnv));
}

void WriteLingeringProgram(const std::filesystem::path& path) {
  WriteFile(path, "#!/bin/sh\n"
                  "echo $$ > \"$VESK_TEST_PID_FILE.tmp\" && mv \"$VESK_TEST_PID_FILE.tmp\" \"$VESK_TEST_PID_FILE\"\n"
                  "exec sleep 120\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace vesk::test
