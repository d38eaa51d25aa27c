#include <fcntl.h>
#include <signal.h>
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

std::u16string CurrentProcessTag() { return FromUtf8(std::to_string(::getpid())); }

namespace {

// What the started program inherits: the null device as its standard streams, no other descriptor
// (whether marked close-on-exec or not), and the default action for SIGPIPE, which the worker ignores.
class SpawnSetup {
 public:
  SpawnSetup() {
    actionsReady_ = ::posix_spawn_file_actions_init(&actions_) == 0;
    attributesReady_ = ::posix_spawnattr_init(&attributes_) == 0;
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    ok_ = actionsReady_ && attributesReady_ &&
          ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
          ::posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
          ::posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO) == 0 &&
          ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) == 0 &&
          ::posix_spawnattr_setsigdefault(&attributes_, &defaults) == 0 &&
          ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF) == 0;
  }
  ~SpawnSetup() {
    if (attributesReady_) ::posix_spawnattr_destroy(&attributes_);
    if (actionsReady_) ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  bool ok() const { return ok_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attributes_{};
  bool actionsReady_ = false;
  bool attributesReady_ = false;
  bool ok_ = false;
};

}  // namespace

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
  const SpawnSetup setup;
  if (!setup.ok()) return false;
  pid_t pid = 0;
  return ::posix_spawn(&pid, texts.front().c_str(), setup.actions(), setup.attributes(), argv.data(), environ) == 0;
}

// POSIX has no shell service that opens a file by association for a process, so whatever
// StartDetachedProcess could not start stays unstarted.
bool OpenWithShell(const std::u16string&, const std::vector<ProgramArgument>&) { return false; }

}  // namespace vesk
