#pragma once
// Process services of the platform.

#include <string>
#include <vector>

namespace vesk {

// Path of the running executable; empty when the platform cannot tell.
std::u16string ExecutablePath();

// A short text that tells the running process apart from every other running process, fit for a file
// name: its process id in decimal, at most 10 digits.
std::u16string CurrentProcessTag();

// One argument handed to a started program. POSIX hands every argument over as its own element. A
// Windows program receives one command line instead: the arguments joined by single spaces, each
// marked quoted put between double quotes as it is, nothing inside escaped (fit for paths, which
// cannot hold a double quote there).
struct ProgramArgument {
  std::u16string text;
  bool quoted = false;
};

// Starts program (the path as given: no shell, no search) with the arguments and returns without
// waiting for it or keeping a handle to it. The program gets none of this process's open files or
// handles: on POSIX its standard streams lead to the null device, so it never holds a pipe of whoever
// started this process (a caller reading the worker's output to its end does not wait for the
// program); on Windows it inherits no handle. True when the program was started.
bool StartDetachedProcess(const std::u16string& program, const std::vector<ProgramArgument>& arguments);

// Asks the desktop shell to open file with the arguments, which also reaches files that are opened
// through an association rather than executed. False when it fails or the platform has no such service.
bool OpenWithShell(const std::u16string& file, const std::vector<ProgramArgument>& arguments);

}  // namespace vesk
