#include "support/run_program_win32.h"

#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/wide_win32.h"
#include "support/temp_dir.h"

namespace vesk::test {
namespace {

// The current environment with the extra variables set, as a block for CreateProcessW.
std::wstring EnvironmentBlock(const std::map<std::string, std::string>& extraEnv) {
  std::vector<std::wstring> entries;
  wchar_t* current = ::GetEnvironmentStringsW();
  for (const wchar_t* entry = current; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text(entry);
    bool replaced = false;
    for (const auto& [name, value] : extraEnv) {
      const std::wstring prefix = WideCopy(FromUtf8(name)) + L"=";
      // Variable names are compared without regard to case on Windows.
      replaced = replaced || (text.size() >= prefix.size() && _wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0);
    }
    if (!replaced) entries.push_back(text);
  }
  ::FreeEnvironmentStringsW(current);
  for (const auto& [name, value] : extraEnv) entries.push_back(WideCopy(FromUtf8(name + "=" + value)));
  std::wstring block;
  for (const std::wstring& entry : entries) block.append(entry).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

HANDLE InheritableFile(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES security{sizeof security, nullptr, TRUE};
  return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &security,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Text written through the C runtime ends its lines with CR LF on Windows; tests compare lines.
std::string WithLineFeeds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

// The process handles of started programs, kept until they are waited for, so that an identifier
// cannot pass to another process in between.
std::map<long long, HANDLE>& StartedProcesses() {
  static std::map<long long, HANDLE> processes;
  return processes;
}

}  // namespace

std::u16string QuoteArgument(const std::u16string& argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\n\v\"") == std::u16string::npos) return argument;
  std::u16string quoted = u"\"";
  size_t backslashes = 0;
  for (char16_t c : argument) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count double only before a quote.
    quoted.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, u'\\');
  quoted.push_back(u'"');
  return quoted;
}

StartedProgram StartCommandLine(const std::u16string& commandLine, const std::filesystem::path& captureDir,
                                const std::map<std::string, std::string>& extraEnv, DWORD creationFlags) {
  static int counter = 0;
  const std::string tag = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
  StartedProgram started;
  started.outPath = captureDir / ("stdout-" + tag);
  started.errPath = captureDir / ("stderr-" + tag);

  const HANDLE out = InheritableFile(started.outPath);
  const HANDLE err = InheritableFile(started.errPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::wstring line = WideCopy(commandLine);
  std::wstring environment = EnvironmentBlock(extraEnv);
  PROCESS_INFORMATION process{};
  const BOOL created = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        creationFlags | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                                        &startup, &process);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (!created) return started;
  ::CloseHandle(process.hThread);
  started.pid = process.dwProcessId;
  StartedProcesses()[started.pid] = process.hProcess;
  return started;
}

StartedProgram StartProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                            const std::filesystem::path& captureDir,
                            const std::map<std::string, std::string>& extraEnv) {
  std::u16string commandLine = QuoteArgument(program.u16string());
  for (const std::string& arg : args) {
    commandLine.push_back(u' ');
    commandLine += QuoteArgument(FromUtf8(arg));
  }
  return StartCommandLine(commandLine, captureDir, extraEnv);
}

ProgramResult FinishProgram(const StartedProgram& started) {
  ProgramResult result;
  const auto found = StartedProcesses().find(started.pid);
  if (found == StartedProcesses().end()) return result;
  const HANDLE process = found->second;
  StartedProcesses().erase(found);
  ::WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  if (::GetExitCodeProcess(process, &code)) result.exitCode = static_cast<int>(code);
  ::CloseHandle(process);
  result.out = WithLineFeeds(ReadFile(started.outPath));
  result.err = WithLineFeeds(ReadFile(started.errPath));
  return result;
}

ProgramResult RunCommandLine(const std::u16string& commandLine, const std::filesystem::path& captureDir,
                             const std::map<std::string, std::string>& extraEnv, DWORD creationFlags) {
  return FinishProgram(StartCommandLine(commandLine, captureDir, extraEnv, creationFlags));
}

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir, const std::map<std::string, std::string>& extraEnv) {
  return FinishProgram(StartProgram(program, args, captureDir, extraEnv));
}

}  // namespace vesk::test
