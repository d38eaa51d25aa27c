// Stand-in for the viewer in tests and the demo: implements its hand-off command line
//   --wait-file --wait-timeout=MS -- PATH
// Waits until PATH exists (at most MS milliseconds), then shows it and exits 0; on time-out says so and
// exits 1; a malformed command line exits 2.
// It shows on standard output, or, with VESK_VIEWER_OUTPUT set to a file path, in that file: the worker
// starts it with its standard streams on the null device, so the demo and the tests name a file.
// With VESK_VIEWER_RECORD set to a file path, it first writes its arguments there, one a line.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

// Written under a temporary name and renamed, so that whoever waits for the file never reads half
// of it.
void WriteWhole(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << content;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
}

// What the viewer shows goes to the file named by VESK_VIEWER_OUTPUT, else to standard output.
void Show(const std::string& text) {
  if (const char* output = std::getenv("VESK_VIEWER_OUTPUT"); output != nullptr && *output != '\0') {
    WriteWhole(output, text);
  } else {
    std::cout << text << std::flush;
  }
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
    std::string lines;
    for (const auto& argument : arguments) lines += argument + '\n';
    WriteWhole(record, lines);
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
      Show("Timed out after " + std::to_string(timeoutMs) + " ms waiting for " + path.string() + "\n");
      return 1;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  Show(content.str());
  return 0;
}
