#include "session/session_paths.h"

#include <array>
#include <string_view>

#include "integrity/digest.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/process.h"
#include "platform/text.h"
#include "session/atomic_file.h"
#include "session/session_folder.h"

namespace vesk {
namespace {

constexpr size_t kMaxNameUnits = 80;

// What the longest session file name holds besides the sanitised name: the folder digest and " - "
// before it, ".ocr.json" and the longest temporary suffix after it. All ASCII, so each unit counts one
// against the platform's limit.
constexpr size_t kUnitsAroundName = 8 + 3 + 9 + kMaxTemporarySuffixLength;

// Position of the last "\" or "/", or npos.
size_t LastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

bool IsForbiddenInName(char16_t c) {
  return c < 0x20 || std::u16string_view(u"\"*/:<>?\\|").find(c) != std::u16string_view::npos;
}

void TrimTrailingDotsAndSpaces(std::u16string& name) {
  const size_t keep = name.find_last_not_of(u". ");
  name.erase(keep == std::u16string::npos ? 0 : keep + 1);
}

// Removes the last character; both halves of a surrogate pair go together.
void DropLastCharacter(std::u16string& name) {
  const size_t n = name.size();
  const bool pair = n >= 2 && IsHighSurrogate(name[n - 2]) && IsLowSurrogate(name[n - 1]);
  name.resize(n - (pair ? 2 : 1));
}

// Shortens name to at most maxUnits UTF-16 units and at most the platform's file-name limit less what
// surrounds the name in a session file name, never splitting a surrogate pair.
void CutToFit(std::u16string& name) {
  if (name.size() > kMaxNameUnits) {
    const bool splitsPair = IsHighSurrogate(name[kMaxNameUnits - 1]) && IsLowSurrogate(name[kMaxNameUnits]);
    name.resize(splitsPair ? kMaxNameUnits - 1 : kMaxNameUnits);
  }
  const size_t limit = MaxFileNameLength();
  const size_t budget = limit > kUnitsAroundName ? limit - kUnitsAroundName : 0;
  while (!name.empty() && NativeFileNameLength(name) > budget) DropLastCharacter(name);
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

  return SessionPathsIn(ChooseSessionFolder(tempDir),
                        DirectoryDigestPrefix(inputPath) + u" - " + SanitizeFileName(inputPath));
}

std::optional<SessionPaths> NextSessionPaths(const SessionPaths& paths, const std::vector<std::u16string>& passedOver) {
  for (std::u16string tempDir : {TempDirectory(), DefaultTempDirectory()}) {
    if (!tempDir.empty() && tempDir.back() == kPathSeparator) tempDir.pop_back();
    const std::u16string folder = ChooseSessionFolder(tempDir, passedOver);
    if (!folder.empty()) return SessionPathsIn(folder, paths.stem);
  }
  return std::nullopt;
}

SessionPaths SessionPathsIn(const std::u16string& folder, const std::u16string& stem) {
  SessionPaths paths;
  paths.folder = folder;
  paths.stem = stem;
  const std::u16string base = JoinPath(folder, stem) + u".ocr";
  paths.textPath = base + u".txt";
  paths.jsonPath = base + u".json";
  paths.logPath = base + u".log";
  paths.textTempPath = TemporaryPathFor(paths.textPath);
  paths.jsonTempPath = TemporaryPathFor(paths.jsonPath);
  paths.failTempPath = TemporaryPathFor(base + u".fail");
  paths.lockPath = base + u".lock";
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
  const size_t units = name.size();
  CutToFit(name);
  if (name.size() < units) {
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
