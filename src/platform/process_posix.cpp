#include <spawn.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace vesk {

std::u16string ExecutablePath() {
  std::string buffer(PATH_MAX, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  // A result that fills the buffer may have been cut short.
  if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<size_t>(n));
  return FromUtf8(buffer);
}

bool StartDetachedProcess(const std::u16string& program, const std::vector<ProgramArgument>& arguments) {
  if (program.empty()) return false;
  std::vector<std::string> texts;
  texts.reserve(arguments.size() + 1);
  texts.push_back(ToUtf8(program));
  for (const auto& argument : arguments) texts.push_back(ToUtf8(argument.text));
  std::vector<char*> argv;
  argv.reserve(texts.size() + 1);
  for (auto& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  // posix_spawn, not posix_spawnp: the path is used as given. glibc (2.24 and later) starts the child
  // with vfork semantics and returns the exec error itself, so a file that cannot be executed is
  // reported here rather than by a child that silently exits. The child is not waited for: the worker
  // exits soon after, and the viewer outlives it.
  pid_t pid = 0;
  return ::posix_spawn(&pid, texts.front().c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}

// POSIX has no shell service that opens a file by association for a process, so whatever
// StartDetachedProcess could not start stays unstarted.
bool OpenWithShell(const std::u16string&, const std::vector<ProgramArgument>&) { return false; }

}  // namespace vesk
