#include "session/session_paths.h"

#include <array>
#include <string_view>

#include "integrity/digest.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/text.h"

namespace vesk {
namespace {

constexpr size_t kMaxNameUnits = 80;

// Position of the last "\" or "/", or npos.
size_t LastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

bool IsForbiddenInName(char16_t c) {
  return c < 0x20 || std::u16string_view(u"\"*/:<>?\\|").find(c) != std::u16string_view::npos;
}

void TrimTrailingDotsAndSpaces(std::u16string& name) {
  const size_t keep = name.find_last_not_of(u". ");
  name.erase(keep == std::u16string::npos ? 0 : keep + 1);
}

bool IsReservedDeviceName(const std::u16string& name) {
  static constexpr std::array<std::u16string_view, 22> kReserved = {
      u"CON",  u"PRN",  u"AUX",  u"NUL",  u"COM1", u"COM2", u"COM3", u"COM4", u"COM5", u"COM6", u"COM7",
      u"COM8", u"COM9", u"LPT1", u"LPT2", u"LPT3", u"LPT4", u"LPT5", u"LPT6", u"LPT7", u"LPT8", u"LPT9"};
  const std::u16string upper = AsciiUpper(name);
  for (auto reserved : kReserved) {
    if (upper == reserved) return true;
  }
  return false;
}

}  // namespace

SessionPaths MakeSessionPaths(const std::u16string& inputPath) {
  std::u16string tempDir = TempDirectory();
  if (!tempDir.empty() && tempDir.back() == kPathSeparator) tempDir.pop_back();

  SessionPaths paths;
  paths.folder = CreateSessionFolder(JoinPath(tempDir, u"VeskOCR"));
  paths.stem = DirectoryDigestPrefix(inputPath) + u" - " + SanitizeFileName(inputPath);
  const std::u16string base = JoinPath(paths.folder, paths.stem) + u".ocr";
  paths.textPath = base + u".txt";
  paths.jsonPath = base + u".json";
  paths.logPath = base + u".log";
  paths.textTempPath = base + u".txt.tmp";
  paths.jsonTempPath = base + u".json.tmp";
  return paths;
}

std::u16string DirectoryDigestPrefix(const std::u16string& inputPath) {
  const size_t sep = LastSeparator(inputPath);
  std::string folder = sep == std::u16string::npos ? std::string() : ToUtf8(std::u16string_view(inputPath).substr(0, sep));
  // One folder written with either slash or in either ASCII case must give one digest.
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  folder = AsciiLower(std::move(folder));
  const std::string hex = Md5Hex(folder);
  if (hex.size() < 8) return u"00000000";
  return FromUtf8(std::string_view(hex).substr(0, 8));
}

std::u16string SanitizeFileName(const std::u16string& inputPath) {
  if (inputPath.empty()) return u"unnamed";
  const size_t sep = LastSeparator(inputPath);
  std::u16string name = sep == std::u16string::npos ? inputPath : inputPath.substr(sep + 1);
  for (char16_t& c : name) {
    if (IsForbiddenInName(c)) c = u'_';
  }
  TrimTrailingDotsAndSpaces(name);
  if (name.empty()) return u"unnamed";
  if (IsReservedDeviceName(name)) name.insert(name.begin(), u'_');
  if (name.size() > kMaxNameUnits) {
    name.resize(kMaxNameUnits);
    TrimTrailingDotsAndSpaces(name);
    if (name.empty()) return u"unnamed";
  }
  return name;
}

std::u16string ExecutableDirectory() {
  const std::u16string exe = ExecutablePath();
  const size_t sep = LastSeparator(exe);
  if (sep == std::u16string::npos) return u".";
  return exe.substr(0, sep);
}

}  // namespace vesk
