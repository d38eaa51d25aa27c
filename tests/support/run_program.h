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
};

// Runs program with args (argv[0] is the program path), extra environment variables added to the
// current environment. Standard output and error go to files in captureDir, read back when it exits.
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir,
                         const std::map<std::string, std::string>& extraEnv = {});

// Starts program like RunProgram, with its standard output and error on the descriptors given (which
// stay open here) and its standard input on the null device. The process id, or -1.
int StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& extraEnv, int outFd, int errFd);

// Writes an executable script at path that, started with VESK_TEST_PID_FILE in its environment, writes its
// process id into that file and then sleeps for two minutes as that same process.
void WriteLingeringProgram(const std::filesystem::path& path);

// Waits for a program that StartProgram started: its exit code, or -1 when it did not exit normally.
int WaitForProgram(int pid);

}  // namespace vesk::test
