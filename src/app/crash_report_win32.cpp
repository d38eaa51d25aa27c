// The last-resort failure report on Windows: an unhandled-exception filter for faults of any thread, and
// handlers for SIGABRT and std::terminate. They write bytes prepared by ArmCrashReport with kernel calls
// only (CreateFileW, LockFileEx, WriteFile, MoveFileExW, DeleteFileW, Sleep) and end the process with
// TerminateProcess.

#include <windows.h>
#include <io.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/crash_report.h"
#include "app/exit_code.h"
#include "platform/wide_win32.h"

namespace vesk {
namespace {

struct KnownException {
  DWORD code;
  const char* cause;
};

constexpr std::array<KnownException, 9> kKnownExceptions{{
    {0xC0000005, "0xC0000005, access violation"},
    {0xC00000FD, "0xC00000FD, stack overflow"},
    {0xC000001D, "0xC000001D, illegal instruction"},
    {0xC0000094, "0xC0000094, integer division by zero"},
    {0xC0000095, "0xC0000095, integer overflow"},
    {0xC0000006, "0xC0000006, in-page error reading a mapped file"},
    {0xC000008E, "0xC000008E, floating-point division by zero"},
    {0xC06D007E, "0xC06D007E, a library needed by a loaded library is missing"},
    {0xC06D007F, "0xC06D007F, a function needed by a loaded library is missing"},
}};

// Any other exception code is written into the placeholder of this cause when it happens.
constexpr char kOtherCause[] = "exception 0x00000000";
constexpr char kAbortCause[] = "SIGABRT, aborted";
// std::terminate ends in abort(); the SIGABRT handler then tells this cause instead.
constexpr char kTerminateCause[] = "std::terminate, an error that no handler caught";

// Room on the stack of the main thread for the filter after a stack overflow.
constexpr ULONG kStackGuarantee = 64 * 1024;

struct Armed {
  std::wstring textPath;
  std::wstring textTempPath;
  std::wstring jsonPath;
  std::wstring jsonTempPath;
  std::wstring failTempPath;  // the run's prepared failure report, not needed once this one is written
  std::wstring logPath;
  std::wstring lockPath;
  HANDLE consoleHandle = INVALID_HANDLE_VALUE;
  std::array<CrashNotice, kKnownExceptions.size()> notices;
  CrashNotice otherNotice;
  CrashNotice abortNotice;
  CrashNotice terminateNotice;
  LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
  void (*previousAbortHandler)(int) = SIG_DFL;
  std::terminate_handler previousTerminate = nullptr;
};

// Created once and never freed: a thread of the inference runtime may still be in a handler while the
// main thread returns from main.
Armed* g_armed = nullptr;
volatile LONG g_reporting = 0;  // set by the first handler to run
volatile LONG g_terminating = 0;

bool WriteAll(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  return ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

enum class Written { NotOpened, Incomplete, Complete };

Written WriteWhole(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Written::NotOpened;
  bool ok = WriteAll(file, bytes);
  if (!::CloseHandle(file)) ok = false;
  return ok ? Written::Complete : Written::Incomplete;
}

// WriteFileAtomically without allocating: temporary file, then a move over the final name.
void WriteReport(const Armed& armed, const std::string& report) {
  switch (WriteWhole(armed.textTempPath, report)) {
    case Written::NotOpened:
      return;
    case Written::Incomplete:
      ::DeleteFileW(armed.textTempPath.c_str());
      return;
    case Written::Complete:
      break;
  }
  if (::MoveFileExW(armed.textTempPath.c_str(), armed.textPath.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  WriteWhole(armed.textPath, report);
  ::DeleteFileW(armed.textTempPath.c_str());
}

// The view's lock (see session/view_lock.h), as AcquireFileLock takes it, tried for a short while;
// INVALID_HANDLE_VALUE when it cannot be had, for instance because this very process held it when it
// failed.
HANDLE TakeViewLock(const std::wstring& path) {
  constexpr int kAttempts = 200;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    OVERLAPPED start{};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) return file;
    ::CloseHandle(file);
    ::Sleep(5);
  }
  return INVALID_HANDLE_VALUE;
}

void AppendToLog(const std::wstring& path, const std::string& entry) {
  const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  WriteAll(file, entry);
  ::CloseHandle(file);
}

[[noreturn]] void Report(const CrashNotice& notice) {
  const Armed& armed = *g_armed;
  // Like any failure report, this one replaces the view's JSON document under the view's lock. Without
  // the lock, the JSON document may be another run's that is just being published, and stays.
  const HANDLE lock = TakeViewLock(armed.lockPath);
  if (lock != INVALID_HANDLE_VALUE) ::DeleteFileW(armed.jsonPath.c_str());
  WriteReport(armed, notice.report);
  if (lock != INVALID_HANDLE_VALUE) ::CloseHandle(lock);
  ::DeleteFileW(armed.jsonTempPath.c_str());
  ::DeleteFileW(armed.failTempPath.c_str());
  AppendToLog(armed.logPath, notice.logEntry);
  if (!notice.consoleLine.empty() && armed.consoleHandle != INVALID_HANDLE_VALUE) {
    WriteAll(armed.consoleHandle, notice.consoleLine);
  }
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(ExitCode::RecognitionFailed));
  for (;;) ::Sleep(INFINITE);
}

// Only the first handler to run reports; any other thread waits to be ended with the process.
void ClaimReport() {
  if (::InterlockedExchange(&g_reporting, 1) != 0) {
    for (;;) ::Sleep(INFINITE);
  }
}

// Writes the code as eight upper-case hexadecimal digits into every placeholder of the notice.
void WriteCode(CrashNotice& notice, DWORD code) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::string* text : {&notice.report, &notice.logEntry, &notice.consoleLine}) {
    const size_t at = text->find("0x00000000");
    if (at == std::string::npos) continue;
    for (int i = 0; i < 8; ++i) (*text)[at + 2 + i] = kDigits[(code >> (28 - 4 * i)) & 0xF];
  }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* pointers) {
  ClaimReport();
  Armed& armed = *g_armed;
  const DWORD code = pointers != nullptr && pointers->ExceptionRecord != nullptr
                         ? pointers->ExceptionRecord->ExceptionCode
                         : 0;
  for (size_t i = 0; i < kKnownExceptions.size(); ++i) {
    if (kKnownExceptions[i].code == code) Report(armed.notices[i]);
  }
  WriteCode(armed.otherNotice, code);
  Report(armed.otherNotice);
}

void OnAbort(int) {
  ClaimReport();
  Report(g_terminating != 0 ? g_armed->terminateNotice : g_armed->abortNotice);
}

[[noreturn]] void OnTerminate() {
  ::InterlockedExchange(&g_terminating, 1);
  std::abort();
}

}  // namespace

void ArmCrashReport(const SessionPaths& paths, bool console) {
  DisarmCrashReport();
  static Armed* const armed = new Armed();
  armed->textPath = WideCopy(paths.textPath);
  armed->textTempPath = WideCopy(paths.textTempPath);
  armed->jsonPath = WideCopy(paths.jsonPath);
  armed->jsonTempPath = WideCopy(paths.jsonTempPath);
  armed->failTempPath = WideCopy(paths.failTempPath);
  armed->logPath = WideCopy(paths.logPath);
  armed->lockPath = WideCopy(paths.lockPath);
  // Standard error as the C runtime has it now, after any reopening on the parent's console.
  armed->consoleHandle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stderr)));
  for (size_t i = 0; i < kKnownExceptions.size(); ++i) {
    armed->notices[i] = PrepareCrashNotice(kKnownExceptions[i].cause, console);
  }
  armed->otherNotice = PrepareCrashNotice(kOtherCause, console);
  armed->abortNotice = PrepareCrashNotice(kAbortCause, console);
  armed->terminateNotice = PrepareCrashNotice(kTerminateCause, console);

  ULONG guarantee = kStackGuarantee;
  ::SetThreadStackGuarantee(&guarantee);
  g_armed = armed;
  armed->previousFilter = ::SetUnhandledExceptionFilter(OnUnhandledException);
  armed->previousAbortHandler = std::signal(SIGABRT, OnAbort);
  armed->previousTerminate = std::set_terminate(OnTerminate);
}

void DisarmCrashReport() {
  if (g_armed == nullptr) return;
  Armed& armed = *g_armed;
  std::set_terminate(armed.previousTerminate);
  std::signal(SIGABRT, armed.previousAbortHandler);
  ::SetUnhandledExceptionFilter(armed.previousFilter);
  g_armed = nullptr;
}

}  // namespace vesk
