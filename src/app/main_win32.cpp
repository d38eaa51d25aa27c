// Process entry of the windowless Windows program: the command line arrives as one UTF-16 text and is
// split the way every Windows program splits it.

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/exit_code.h"
#include "app/worker_main.h"
#include "platform/wide_win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Taken before anything else: the run's elapsed time counts from here.
  const auto start = std::chrono::steady_clock::now();
  int count = 0;
  wchar_t** split = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (split == nullptr) return static_cast<int>(vesk::ExitCode::InvalidArguments);
  std::vector<std::u16string> args;
  args.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) args.push_back(vesk::FromWide(split[i]));
  ::LocalFree(split);
  return vesk::WorkerMain(start, args);
}
