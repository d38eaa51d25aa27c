#pragma once

#include <cstdint>
#include <string>

namespace vesk {

// Starts the viewer waiting (at most waitTimeoutMs) for waitFilePath; does not wait for it.
// True when a viewer process was started.
bool LaunchViewer(const std::u16string& viewerExePath, const std::u16string& waitFilePath, int32_t waitTimeoutMs);

}  // namespace vesk
