#include <windows.h>

#include "platform/text.h"
#include "platform/wide_win32.h"
#include "support/temp_env.h"

namespace vesk::test {

// GetTempPathW takes TMP first, then TEMP.
std::vector<std::string> TempDirectoryVariables() { return {"TMP", "TEMP"}; }

std::optional<std::string> ReadEnvironment(const std::string& name) {
  const std::u16string wideName = FromUtf8(name);
  const DWORD size = ::GetEnvironmentVariableW(Wide(wideName), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(Wide(wideName), value.data(), size);
  return ToUtf8(FromWide(value.data(), length));
}

void WriteEnvironment(const std::string& name, const std::optional<std::string>& value) {
  const std::u16string wideName = FromUtf8(name);
  if (value) {
    ::SetEnvironmentVariableW(Wide(wideName), Wide(FromUtf8(*value)));
  } else {
    ::SetEnvironmentVariableW(Wide(wideName), nullptr);
  }
}

}  // namespace vesk::test
