#pragma once
// Runs the worker as a process of its own and measures it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::bench {

struct ProcessOutcome {
  int exitCode = -1;       // -1 when the process did not exit normally
  int signal = 0;          // the signal that ended it, if one did
  double seconds = 0;      // wall time from start to exit
  double cpuSeconds = 0;   // processor time of all its threads, user and system
  int64_t peakBytes = 0;   // most resident memory it held
};

// A program that exits at once with success, to stand in for the viewer.
std::filesystem::path NoOpProgram();

// A new folder under the system temporary directory that only this user can enter; empty on failure.
std::filesystem::path MakePrivateFolder(std::string& error);

// Runs program with arguments (no shell), its standard streams on the null device and TMPDIR pointing at
// tmpDir, and waits for it to end. False with a message when it could not be started.
bool RunProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                const std::filesystem::path& tmpDir, ProcessOutcome& outcome, std::string& error);

}  // namespace vesk::bench
