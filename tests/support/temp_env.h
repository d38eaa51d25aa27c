#pragma once
// The environment variables from which the platform takes its temporary directory: TMPDIR on POSIX;
// TMP and TEMP on Windows.

#include <optional>
#include <string>
#include <vector>

namespace vesk::test {

std::vector<std::string> TempDirectoryVariables();

// Value of an environment variable (UTF-8), empty when it is not set.
std::optional<std::string> ReadEnvironment(const std::string& name);

// Sets the variable, or removes it when value is empty.
void WriteEnvironment(const std::string& name, const std::optional<std::string>& value);

}  // namespace vesk::test
