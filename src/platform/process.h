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

// Starts program (the path as given: no shell, no search) with the arguments, which it receives
// unchanged, and returns without waiting for it. The program gets none of this process's open files or
// handles: its standard streams lead to the null device, so it never holds a pipe of whoever started
// this process (a caller reading the worker's output to its end does not wait for the program). True
// when the program was started.
bool StartDetachedProcess(const std::u16string& program, const std::vector<std::u16string>& arguments);

// Asks the desktop shell to open file with the arguments, which also reaches files that are opened
// through an association rather than executed. False when it fails or the platform has no such service.
bool OpenWithShell(const std::u16string& file, const std::vector<std::u16string>& arguments);

}  // namespace vesk
