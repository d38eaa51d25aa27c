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

// Runs program with args (argv[0] is the program path), extra environment variables added to the
// current environment. Standard output and error go to files in captureDir, read back when it exits.
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir,
                         const std::map<std::string, std::string>& extraEnv = {});

}  // namespace vesk::test
