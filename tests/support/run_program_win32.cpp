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

std::string WithLineFeeds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
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

ProgramResult RunCommandLine(const std::u16string& commandLine, const std::filesystem::path& captureDir,
                             const std::map<std::string, std::string>& extraEnv, DWORD creationFlags) {
  static int counter = 0;
  const std::string tag = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++);
  ProgramResult result;
  result.outPath = captureDir / ("stdout-" + tag);
  const std::filesystem::path errPath = captureDir / ("stderr-" + tag);

  const HANDLE out = InheritableFile(result.outPath);
  const HANDLE err = InheritableFile(errPath);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::wstring line = WideCopy(commandLine);
  std::wstring environment = EnvironmentBlock(extraEnv);
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        creationFlags | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                                        &startup, &process);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (!started) return result;
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (::GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  // Text written through the C runtime ends its lines with CR LF on Windows; tests compare lines.
  result.out = WithLineFeeds(ReadFile(result.outPath));
  result.err = WithLineFeeds(ReadFile(errPath));
  return result;
}

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& captureDir, const std::map<std::string, std::string>& extraEnv) {
  std::u16string commandLine = QuoteArgument(program.u16string());
  for (const std::string& arg : args) {
    commandLine.push_back(u' ');
    commandLine += QuoteArgument(FromUtf8(arg));
  }
  return RunCommandLine(commandLine, captureDir, extraEnv);
}

}  // namespace vesk::test
