#pragma once
// The worker's console output, used only with --console.

#include <string_view>

namespace vesk {

// Connects the standard streams to the parent's console where the platform needs that; elsewhere the
// process's own streams are used as they are.
void AttachParentConsole();

// Writes text and a newline to standard error / standard output and flushes. A write that fails (the
// reader has gone) is passed over: console output never decides how a run ends.
void WriteErrorLine(std::string_view text);
void WriteOutputLine(std::string_view text);

}  // namespace vesk
