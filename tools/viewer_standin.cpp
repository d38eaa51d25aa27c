#include "viewer_standin.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/path.h"
#include "platform/text.h"

namespace vesk {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

// Written under a temporary name and renamed, so that whoever waits for the file never reads half
// of it. What exists and is not a plain file (the null device, a pipe) is written to as it is: a
// rename would put a plain file in its place.
void WriteWhole(const std::filesystem::path& path, const std::string& content) {
  std::error_code kind;
  const std::filesystem::file_status status = std::filesystem::status(path, kind);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    return;
  }
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

// The whole of text as a number of milliseconds; none when anything else is in it.
std::optional<long long> ParseTimeout(const std::string& text) {
  if (text.empty()) return std::nullopt;
  size_t used = 0;
  long long ms = 0;
  try {
    ms = std::stoll(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (used != text.size()) return std::nullopt;
  return ms;
}

// With VESK_VIEWER_RECORD set, its arguments (and the raw command line, where there is one) go to files.
void RecordArguments(const std::vector<std::u16string>& arguments, const std::u16string& commandLine) {
  const char* record = std::getenv("VESK_VIEWER_RECORD");
  if (record == nullptr || *record == '\0') return;
  // The raw command line goes first: a test that has the argument record may read it at once.
  if (!commandLine.empty()) WriteWhole(std::string(record) + ".cmdline", ToUtf8(commandLine));
  std::string lines;
  for (const auto& argument : arguments) lines += ToUtf8(argument) + '\n';
  WriteWhole(record, lines);
}

// What the hand-off command line asks for: the file to wait for, and how long.
struct HandOff {
  std::u16string path;
  long long timeoutMs = -1;
};

std::optional<HandOff> ParseHandOff(const std::vector<std::u16string>& arguments) {
  constexpr std::u16string_view kTimeoutOption = u"--wait-timeout=";
  bool waitFile = false;
  HandOff handOff;
  size_t i = 0;
  for (; i < arguments.size() && arguments[i] != u"--"; ++i) {
    const std::u16string_view argument = arguments[i];
    if (argument == u"--wait-file") {
      waitFile = true;
    } else if (argument.starts_with(kTimeoutOption)) {
      const std::optional<long long> ms = ParseTimeout(ToUtf8(argument.substr(kTimeoutOption.size())));
      if (!ms) return std::nullopt;
      handOff.timeoutMs = *ms;
    } else {
      return std::nullopt;
    }
  }
  if (!waitFile || handOff.timeoutMs < 0 || i + 2 != arguments.size()) return std::nullopt;
  handOff.path = arguments[i + 1];
  return handOff;
}

}  // namespace

int RunViewerStandIn(const std::vector<std::u16string>& arguments, const std::u16string& commandLine) {
  RecordArguments(arguments, commandLine);
  const std::optional<HandOff> handOff = ParseHandOff(arguments);
  if (!handOff) return Usage();
  const std::filesystem::path path = NativePath(handOff->path);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(handOff->timeoutMs);
  std::error_code ec;
  while (!std::filesystem::exists(path, ec)) {
    if (std::chrono::steady_clock::now() >= deadline) {
      Show("Timed out after " + std::to_string(handOff->timeoutMs) + " ms waiting for " + ToUtf8(handOff->path) +
           "\n");
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

}  // namespace vesk
