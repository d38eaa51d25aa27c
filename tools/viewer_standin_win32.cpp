// Entry of the stand-in viewer on Windows: the command line arrives as one UTF-16 text, kept for the
// record and split the way every Windows program splits it.

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/wide_win32.h"
#include "viewer_standin.h"

int wmain() {
  const std::u16string commandLine = vesk::FromWide(::GetCommandLineW());
  int count = 0;
  wchar_t** split = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (split == nullptr) return 2;
  std::vector<std::u16string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(vesk::FromWide(split[i]));
  ::LocalFree(split);
  return vesk::RunViewerStandIn(arguments, commandLine);
}
