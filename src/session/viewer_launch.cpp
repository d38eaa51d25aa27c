#include "session/viewer_launch.h"

#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"

namespace vesk {

bool LaunchViewer(const std::u16string& viewerExePath, const std::u16string& waitFilePath, int32_t waitTimeoutMs) {
  if (viewerExePath.empty() || waitFilePath.empty()) return false;
  // The viewer's command line: --wait-file --wait-timeout=<ms> -- "<path>".
  const std::vector<ProgramArgument> arguments = {
      {u"--wait-file"},
      {u"--wait-timeout=" + FromUtf8(std::to_string(waitTimeoutMs))},
      {u"--"},
      {waitFilePath, true},
  };
  if (StartDetachedProcess(viewerExePath, arguments)) return true;
  // A viewer path that cannot be executed directly may still be opened by the shell.
  return OpenWithShell(viewerExePath, arguments);
}

}  // namespace vesk
