// Stand-in for the viewer in tests and the demo: implements its hand-off command line
//   --wait-file --wait-timeout=MS -- PATH
// Waits until PATH exists (at most MS milliseconds), then prints it to standard output and exits 0;
// on time-out says so and exits 1; a malformed command line exits 2.
// With VESK_VIEWER_RECORD set to a file path, it first writes its arguments there, one a line.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

// Written under a temporary name and renamed, so that a test waiting for the record never reads
// half of it.
void RecordArguments(const std::filesystem::path& record, const std::vector<std::string>& arguments) {
  std::filesystem::path temp = record;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    for (const auto& argument : arguments) out << argument << '\n';
  }
  std::error_code ec;
  std::filesystem::rename(temp, record, ec);
}

int Usage() {
  std::cerr << "usage: vesk_viewer_standin --wait-file --wait-timeout=MS -- PATH\n";
  return 2;
}

bool ParseTimeout(std::string_view text, long long& ms) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    ms = std::stoll(std::string(text), &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == text.size();
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (const char* record = std::getenv("VESK_VIEWER_RECORD"); record != nullptr && *record != '\0') {
    RecordArguments(record, arguments);
  }

  constexpr std::string_view kTimeoutOption = "--wait-timeout=";
  bool waitFile = false;
  long long timeoutMs = -1;
  size_t i = 0;
  for (; i < arguments.size() && arguments[i] != "--"; ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "--wait-file") {
      waitFile = true;
    } else if (argument.starts_with(kTimeoutOption)) {
      if (!ParseTimeout(argument.substr(kTimeoutOption.size()), timeoutMs)) return Usage();
    } else {
      return Usage();
    }
  }
  if (!waitFile || timeoutMs < 0 || i + 2 != arguments.size()) return Usage();
  const std::filesystem::path path = arguments[i + 1];

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::error_code ec;
  while (!std::filesystem::exists(path, ec)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      std::cout << "Timed out after " << timeoutMs << " ms waiting for " << path.string() << std::endl;
      return 1;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  std::ifstream in(path, std::ios::binary);
  std::cout << in.rdbuf() << std::flush;
  return 0;
}
