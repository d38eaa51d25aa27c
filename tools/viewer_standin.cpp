#include "viewer_standin.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/path.h"
#include "platform/text.h"

namespace vesk {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

// Written under a temporary name and renamed, so that a test waiting for the record never reads
// half of it.
void WriteRecord(const std::filesystem::path& record, const std::string& content) {
  std::filesystem::path temp = record;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << content;
  }
  std::error_code ec;
  std::filesystem::rename(temp, record, ec);
}

int Usage() {
  std::cerr << "usage: vesk_viewer_standin --wait-file --wait-timeout=MS -- PATH\n";
  return 2;
}

bool ParseTimeout(const std::string& text, long long& ms) {
  if (text.empty()) return false;
  size_t used = 0;
  try {
    ms = std::stoll(text, &used);
  } catch (const std::exception&) {
    return false;
  }
  return used == text.size();
}

}  // namespace

int RunViewerStandIn(const std::vector<std::u16string>& arguments, const std::u16string& commandLine) {
  const char* recordVariable = std::getenv("VESK_VIEWER_RECORD");
  const std::string record = recordVariable != nullptr ? recordVariable : "";
  if (!record.empty()) {
    // The raw command line goes first: a test that has the argument record may read it at once.
    if (!commandLine.empty()) WriteRecord(record + ".cmdline", ToUtf8(commandLine));
    std::string lines;
    for (const auto& argument : arguments) lines += ToUtf8(argument) + "\n";
    WriteRecord(record, lines);
  }

  constexpr std::u16string_view kTimeoutOption = u"--wait-timeout=";
  bool waitFile = false;
  long long timeoutMs = -1;
  size_t i = 0;
  for (; i < arguments.size() && arguments[i] != u"--"; ++i) {
    const std::u16string_view argument = arguments[i];
    if (argument == u"--wait-file") {
      waitFile = true;
    } else if (argument.starts_with(kTimeoutOption)) {
      if (!ParseTimeout(ToUtf8(argument.substr(kTimeoutOption.size())), timeoutMs)) return Usage();
    } else {
      return Usage();
    }
  }
  if (!waitFile || timeoutMs < 0 || i + 2 != arguments.size()) return Usage();
  const std::filesystem::path path = NativePath(arguments[i + 1]);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::error_code ec;
  while (!std::filesystem::exists(path, ec)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      std::cout << "Timed out after " << timeoutMs << " ms waiting for " << ToUtf8(arguments[i + 1]) << std::endl;
      return 1;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  std::ifstream in(path, std::ios::binary);
  const std::string shown((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::cout << shown << std::flush;
  if (!record.empty()) WriteRecord(record + ".shown", shown);
  return 0;
}

}  // namespace vesk
