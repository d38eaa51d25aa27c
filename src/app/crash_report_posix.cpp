// The last-resort failure report on POSIX: fatal signals are caught on an alternate stack and handled
// with async-signal-safe calls only (open, write, close, rename, unlink, fstat, lstat, nanosleep,
// sigaction, pause, _exit, and flock, a plain system call) on bytes prepared by ArmCrashReport.

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <vector>

#include "app/crash_report.h"
#include "app/exit_code.h"
#include "platform/text.h"

namespace vesk {
namespace {

struct FatalSignal {
  int number;
  const char* cause;
};

constexpr std::array<FatalSignal, 5> kFatalSignals{{
    {SIGSEGV, "SIGSEGV, segmentation fault"},
    {SIGBUS, "SIGBUS, bus error"},
    {SIGABRT, "SIGABRT, aborted"},
    {SIGFPE, "SIGFPE, arithmetic error"},
    {SIGILL, "SIGILL, illegal instruction"},
}};

// std::terminate ends in abort(); the SIGABRT handler then tells this cause instead.
constexpr char kTerminateCause[] = "std::terminate, an error that no handler caught";

constexpr size_t kAltStackSize = 64 * 1024;

// Everything the handler reads, and what ArmCrashReport replaced.
struct Armed {
  std::string textPath;
  std::string textTempPath;
  std::string jsonPath;
  std::string jsonTempPath;
  std::string failTempPath;  // the run's prepared failure report, not needed once this one is written
  std::string logPath;
  std::string lockPath;
  std::array<CrashNotice, kFatalSignals.size()> notices;
  CrashNotice terminateNotice;
  std::vector<char> altStack;
  stack_t previousAltStack{};
  std::array<struct sigaction, kFatalSignals.size()> previousActions{};
  std::terminate_handler previousTerminate = nullptr;
};

// Created once and never freed: a thread of the inference runtime may still be in the handler while the
// main thread returns from main.
Armed* g_armed = nullptr;
std::atomic_flag g_reporting = ATOMIC_FLAG_INIT;  // set by the first handler to run
volatile std::sig_atomic_t g_terminating = 0;

bool WriteAll(int fd, const std::string& bytes) {
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

enum class Written { NotOpened, Incomplete, Complete };

Written WriteWhole(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return Written::NotOpened;
  bool ok = WriteAll(fd, bytes);
  if (::close(fd) != 0) ok = false;
  return ok ? Written::Complete : Written::Incomplete;
}

// WriteFileAtomically without allocating: temporary file, then a move over the final name.
void WriteReport(const Armed& armed, const std::string& report) {
  switch (WriteWhole(armed.textTempPath, report)) {
    case Written::NotOpened:
      return;
    case Written::Incomplete:
      ::unlink(armed.textTempPath.c_str());
      return;
    case Written::Complete:
      break;
  }
  if (::rename(armed.textTempPath.c_str(), armed.textPath.c_str()) == 0) return;
  WriteWhole(armed.textPath, report);
  ::unlink(armed.textTempPath.c_str());
}

// The view's lock (see session/view_lock.h), as AcquireFileLock takes it, tried for a short while; -1
// when it cannot be had, for instance because this very process held it when it failed.
int TakeViewLock(const std::string& path) {
  constexpr int kAttempts = 200;
  constexpr timespec kPause{0, 5'000'000};
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) return -1;
    struct stat locked {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &locked) == 0 && ::lstat(path.c_str(), &named) == 0 &&
        locked.st_dev == named.st_dev && locked.st_ino == named.st_ino) {
      return fd;
    }
    ::close(fd);
    ::nanosleep(&kPause, nullptr);
  }
  return -1;
}

void AppendToLog(const std::string& path, const std::string& entry) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  WriteAll(fd, entry);
  ::close(fd);
}

const CrashNotice& NoticeFor(const Armed& armed, int number) {
  if (number == SIGABRT && g_terminating != 0) return armed.terminateNotice;
  for (size_t i = 0; i < kFatalSignals.size(); ++i) {
    if (kFatalSignals[i].number == number) return armed.notices[i];
  }
  return armed.notices[0];
}

void OnFatalSignal(int number) {
  // Another thread is already reporting; its _exit ends this one too.
  if (g_reporting.test_and_set()) {
    for (;;) ::pause();
  }
  const Armed& armed = *g_armed;
  const CrashNotice& notice = NoticeFor(armed, number);
  // Like any failure report, this one replaces the view's JSON document under the view's lock. Without
  // the lock, the JSON document may be another run's that is just being published, and stays.
  const int lock = TakeViewLock(armed.lockPath);
  if (lock >= 0) ::unlink(armed.jsonPath.c_str());
  WriteReport(armed, notice.report);
  if (lock >= 0) ::close(lock);
  ::unlink(armed.jsonTempPath.c_str());
  ::unlink(armed.failTempPath.c_str());
  AppendToLog(armed.logPath, notice.logEntry);
  if (!notice.consoleLine.empty()) {
    // A closed standard error must not turn the exit code into a SIGPIPE death.
    ::signal(SIGPIPE, SIG_IGN);
    WriteAll(STDERR_FILENO, notice.consoleLine);
  }
  ::_exit(static_cast<int>(ExitCode::RecognitionFailed));
}

[[noreturn]] void OnTerminate() {
  g_terminating = 1;
  std::abort();
}

}  // namespace

void ArmCrashReport(const SessionPaths& paths, bool console) {
  DisarmCrashReport();
  static Armed* const armed = new Armed();
  armed->textPath = ToUtf8(paths.textPath);
  armed->textTempPath = ToUtf8(paths.textTempPath);
  armed->jsonPath = ToUtf8(paths.jsonPath);
  armed->jsonTempPath = ToUtf8(paths.jsonTempPath);
  armed->failTempPath = ToUtf8(paths.failTempPath);
  armed->logPath = ToUtf8(paths.logPath);
  armed->lockPath = ToUtf8(paths.lockPath);
  for (size_t i = 0; i < kFatalSignals.size(); ++i) {
    armed->notices[i] = PrepareCrashNotice(kFatalSignals[i].cause, console);
  }
  armed->terminateNotice = PrepareCrashNotice(kTerminateCause, console);

  // A stack overflow leaves no stack to run the handler on; this one is the main thread's spare.
  armed->altStack.resize(kAltStackSize);
  stack_t altStack{};
  altStack.ss_sp = armed->altStack.data();
  altStack.ss_size = armed->altStack.size();
  ::sigaltstack(&altStack, &armed->previousAltStack);
  g_armed = armed;

  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  // All of them blocked while one is handled: a fault inside the handler then ends the process the
  // default way instead of entering it again.
  sigemptyset(&action.sa_mask);
  for (const FatalSignal& fatal : kFatalSignals) sigaddset(&action.sa_mask, fatal.number);
  action.sa_flags = SA_ONSTACK;
  for (size_t i = 0; i < kFatalSignals.size(); ++i) {
    ::sigaction(kFatalSignals[i].number, &action, &armed->previousActions[i]);
  }
  armed->previousTerminate = std::set_terminate(OnTerminate);
}

void DisarmCrashReport() {
  if (g_armed == nullptr) return;
  Armed& armed = *g_armed;
  std::set_terminate(armed.previousTerminate);
  for (size_t i = 0; i < kFatalSignals.size(); ++i) {
    ::sigaction(kFatalSignals[i].number, &armed.previousActions[i], nullptr);
  }
  ::sigaltstack(&armed.previousAltStack, nullptr);
  g_armed = nullptr;
}

}  // namespace vesk
