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
  // Where standard output was captured; children the program started (the viewer) may still write there.
  std::filesystem::path outPath;
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

}  // namespace vesk::test
