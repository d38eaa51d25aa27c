// A program that arms the last-resort failure report for a viewed file, leaves half-written temporary
// files as a run interrupted while writing would, and then fails the way its first argument names, for
// the crash report tests:
//   crash_probe KIND INPUT_PATH [--console]
// KIND: access, stack, divide, abort, terminate, other (an exception code nobody names), thread (an access
// violation on a thread of its own).

#include <windows.h>

#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <thread>

#include "app/crash_report.h"
#include "platform/path.h"
#include "platform/text.h"
#include "session/session_paths.h"

namespace {

volatile int g_zero = 0;
int* volatile g_null = nullptr;

// Ends only when the stack does; g_zero keeps the compiler from seeing that.
__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (depth < 0 && g_zero == 0) return 0;
  return Recurse(depth + 1) + frame[0];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string kind = argv[1];
  const bool console = argc > 3 && std::string(argv[3]) == "--console";
  const vesk::SessionPaths paths = vesk::MakeSessionPaths(vesk::FromUtf8(argv[2]));
  vesk::ArmCrashReport(paths, console);
  for (const std::u16string* temporary : {&paths.textTempPath, &paths.jsonTempPath}) {
    std::ofstream(vesk::NativePath(*temporary), std::ios::binary) << "half";
  }

  if (kind == "access") return *g_null;
  if (kind == "stack") return Recurse(0);
  if (kind == "divide") return (g_zero + 1000) / g_zero;
  if (kind == "abort") std::abort();
  if (kind == "terminate") std::terminate();
  if (kind == "other") ::RaiseException(0xE0001234, 0, 0, nullptr);
  if (kind == "thread") {
    std::thread([] { *g_null = 1; }).join();
  }
  return 3;
}
