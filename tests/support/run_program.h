#pragma once
// Runs a program as a child process for end-to-end tests and collects what it printed.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vesk::test {

struct ProgramResult {
  int exitCode = -1;  // -1 when the program did not exit normally
  std::string out;    // standard output
  std::string err;    // standard error
  // (both with the CR LF line ends of Windows text streams read back as LF)
};

// A program started and not yet waited for.
struct StartedProgram {
  long long pid = -1;  // the process id; -1 when it could not be started
  std::filesystem::path outPath;
  std::filesystem::path errPath;
};

// Starts program with args (argv[0] is the program path), extra environment variables added to the
// current environment. Standard output and error go to files in captureDir.
StartedProgram StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                            const std::filesystem::path& captureDir,
                            const std::map<std::string, std::string>& extraEnv = {});

// Waits until the program ends and reads back what it printed.
ProgramResult FinishProgram(const StartedProgram& started);

// StartProgram, then FinishProgram.
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir,
                         const std::map<std::string, std::string>& extraEnv = {});

// Starts program like StartProgram, with its standard output and error on the descriptors given (which
// stay open here) and its standard input on the null device. The process id, or -1.
int StartProgramOn(const std::filesystem::path& program, const std::vector<std::string>& args,
                   const std::map<std::string, std::string>& extraEnv, int outFd, int errFd);

// Waits for a program that StartProgramOn started: its exit code, or -1 when it did not exit normally.
int WaitForProgram(long long pid);

// Writes an executable script at path that, started with VESK_TEST_PID_FILE in its environment, writes its
// process id into that file and then sleeps for two minutes as that same process.
void WriteLingeringProgram(const std::filesystem::path& path);

}  // namespace vesk::test
