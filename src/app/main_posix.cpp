// Process entry on POSIX: the arguments arrive as bytes and are read as UTF-8; bytes that are not valid
// UTF-8 are carried losslessly (see FromUtf8), so any path the shell can pass reaches the worker intact.

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/worker_main.h"
#include "platform/text.h"

namespace {

constexpr char kTunables[] = "GLIBC_TUNABLES";
constexpr char kLargePages[] = "glibc.malloc.hugetlb=1";
// Set only from the worker's first start to its second: "=" and what GLIBC_TUNABLES held, or empty when
// it was not set.
constexpr char kTunablesGiven[] = "VESK_OCR_TUNABLES_GIVEN";

std::optional<std::string> Variable(const char* name) {
  const char* value = ::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void SetVariable(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

bool LargePagesOnOffer() {
  std::ifstream modes("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string line;
  std::getline(modes, line);
  return line.find("[always]") != std::string::npos || line.find("[madvise]") != std::string::npos;
}

// The models' working memory is large and taken afresh by every run: on a virtual machine each first
// touch of a 4 KiB page cost about 15 us, and a 1920 x 1080 detection alone touches tens of thousands.
// The C library hands out large pages when its tunables ask, and it reads them only as a process
// starts, so the worker starts itself once more (same process, same arguments and streams) with large
// pages asked for, unless the caller's tunables already say how. The second start puts the environment
// back as the caller gave it, for the viewer and everything else the run starts.
void StartAgainWithLargePages(char** argv) {
  if (const std::optional<std::string> given = Variable(kTunablesGiven)) {
    SetVariable(kTunables, given->empty() ? std::nullopt : std::optional<std::string>(given->substr(1)));
    ::unsetenv(kTunablesGiven);
    return;
  }
  const std::optional<std::string> tunables = Variable(kTunables);
  if (tunables && tunables->find("glibc.malloc.hugetlb") != std::string::npos) return;
  if (!LargePagesOnOffer()) return;
  ::setenv(kTunablesGiven, tunables ? ("=" + *tunables).c_str() : "", 1);
  ::setenv(kTunables, tunables && !tunables->empty() ? (*tunables + ":" + kLargePages).c_str() : kLargePages, 1);
  ::execv("/proc/self/exe", argv);
  // Not started again (no /proc, say): this start reads with small pages.
  SetVariable(kTunables, tunables);
  ::unsetenv(kTunablesGiven);
}

}  // namespace

int main(int argc, char** argv) {
  StartAgainWithLargePages(argv);
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
