#include <cstdio>

#include "app/console.h"

namespace vesk {

// A POSIX process already writes to the terminal or pipe of whoever started it.
void AttachParentConsole() {}

void WriteErrorLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void WriteOutputLine(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace vesk
