#pragma once
// Process services of the platform.

#include <string>
#include <vector>

namespace vesk {

// Path of the running executable; empty when the platform cannot tell.
std::u16string ExecutablePath();

// Starts program (the path as given: no shell, no search) with the arguments, which it receives
// unchanged, and returns without waiting for it. True when the program was started.
bool StartDetachedProcess(const std::u16string& program, const std::vector<std::u16string>& arguments);

// Asks the desktop shell to open file with the arguments, which also reaches files that are opened
// through an association rather than executed. False when it fails or the platform has no such service.
bool OpenWithShell(const std::u16string& file, const std::vector<std::u16string>& arguments);

}  // namespace vesk
