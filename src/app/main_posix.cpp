// Process entry on POSIX: the arguments arrive as bytes and are read as UTF-8; bytes that are not valid
// UTF-8 are carried losslessly (see FromUtf8), so any path the shell can pass reaches the worker intact.

#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/worker_main.h"
#include "platform/text.h"

int main(int argc, char** argv) {
  // Taken before anything else: the run's elapsed time counts from here.
  const auto start = std::chrono::steady_clock::now();
  // A reader that closes its end of the worker's output pipe early must not end the run: the write then
  // fails and is passed over, and the exit code still tells how the run went.
  ::signal(SIGPIPE, SIG_IGN);
  std::vector<std::u16string> args;
  args.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(vesk::FromUtf8(argv[i]));
  return vesk::WorkerMain(start, args);
}
