#pragma once
// Starting a program with a command line written out by hand, for tests of how it is split.

#include <windows.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/run_program.h"

namespace vesk::test {

// Starts the raw command line (the program named by its first token, as CreateProcessW finds it) with
// the given creation flags; otherwise as StartProgram.
StartedProgram StartCommandLine(const std::u16string& commandLine, const std::filesystem::path& captureDir,
                                const std::map<std::string, std::string>& extraEnv = {}, DWORD creationFlags = 0);

// StartCommandLine, then FinishProgram.
ProgramResult RunCommandLine(const std::u16string& commandLine, const std::filesystem::path& captureDir,
                             const std::map<std::string, std::string>& extraEnv = {}, DWORD creationFlags = 0);

// One argument quoted so that CommandLineToArgvW gives it back unchanged.
std::u16string QuoteArgument(const std::u16string& argument);

}  // namespace vesk::test
