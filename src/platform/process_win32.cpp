#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"
#include "platform/wide_win32.h"

namespace vesk {
namespace {

// The arguments as one parameter text: joined by single spaces, quoted ones between double quotes.
std::u16string ParameterText(const std::vector<ProgramArgument>& arguments) {
  std::u16string text;
  for (const ProgramArgument& argument : arguments) {
    if (!text.empty()) text.push_back(u' ');
    if (argument.quoted) text.push_back(u'"');
    text.append(argument.text);
    if (argument.quoted) text.push_back(u'"');
  }
  return text;
}

}  // namespace

std::u16string ExecutablePath() {
  // Paths beyond MAX_PATH would come back cut short; the buffer grows until the whole path fits.
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return FromWide(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string CurrentProcessTag() { return FromUtf8(std::to_string(::GetCurrentProcessId())); }

bool StartDetachedProcess(const std::u16string& program, const std::vector<ProgramArgument>& arguments) {
  if (program.empty()) return false;
  // The program path is quoted so that a path with spaces names the program; CreateProcessW may write
  // into the command line, so it lives in a buffer of its own.
  std::wstring commandLine = WideCopy(u"\"" + program + u"\" " + ParameterText(arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return false;
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return true;
}

bool OpenWithShell(const std::u16string& file, const std::vector<ProgramArgument>& arguments) {
  const std::u16string parameters = ParameterText(arguments);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = Wide(file);
  info.lpParameters = Wide(parameters);
  info.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace vesk
