#include "integrity/manifest.h"

#include <fstream>
#include <string_view>

#include "integrity/digest.h"
#include "platform/path.h"
#include "platform/text.h"

namespace vesk {
namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr size_t kSha256HexLength = 64;

// An entry line is a digest, a file name and a little white space. Longer lines are no entry of any
// file the check knows, and are skipped without being held in memory.
constexpr size_t kMaxLineLength = 4096;
constexpr size_t kReadChunk = 64 * 1024;

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kWhiteSpace);
  return text.substr(first, last - first + 1);
}

// The next white-space separated token from pos on; empty when none is left.
std::string_view NextToken(std::string_view text, size_t& pos) {
  const size_t start = text.find_first_not_of(kWhiteSpace, pos);
  if (start == std::string_view::npos) {
    pos = text.size();
    return {};
  }
  size_t end = text.find_first_of(kWhiteSpace, start);
  if (end == std::string_view::npos) end = text.size();
  pos = end;
  return text.substr(start, end - start);
}

// One manifest line in the layout of the usual sha256sum tool: "<digest> <name>" or "<digest> *<name>".
void ParseLine(std::string_view line, ManifestEntries& entries) {
  line = Trim(line);
  if (line.empty() || line.front() == '#') return;

  size_t pos = 0;
  const std::string_view digest = NextToken(line, pos);
  std::string_view name = NextToken(line, pos);
  if (name.empty()) return;

  // "*" marks binary mode for that tool; it is not part of the name. Neither is the "./" that the
  // tool writes when it was given the file as ./name.
  const size_t nameStart = name.find_first_not_of("* ");
  name = nameStart == std::string_view::npos ? std::string_view() : name.substr(nameStart);
  while (name.starts_with("./")) name.remove_prefix(2);
  if (digest.size() != kSha256HexLength || name.empty()) return;

  entries[AsciiLower(std::string(name))] = AsciiLower(std::string(digest));
}

}  // namespace

std::optional<ManifestEntries> ReadSha256Sums(const std::u16string& manifestPath) {
  std::ifstream in(NativePath(manifestPath), std::ios::binary);
  if (!in.is_open()) return std::nullopt;
  ManifestEntries entries;
  // Read in chunks, so that memory stays at a chunk and a line however large the file and its lines are.
  std::string chunk(kReadChunk, '\0');
  std::string line;
  bool overlong = false;
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    std::string_view rest(chunk.data(), static_cast<size_t>(in.gcount()));
    while (!rest.empty()) {
      const size_t end = rest.find('\n');
      const std::string_view piece = rest.substr(0, end);
      overlong = overlong || line.size() + piece.size() > kMaxLineLength;
      if (!overlong) line += piece;
      if (end == std::string_view::npos) break;
      if (!overlong) ParseLine(line, entries);
      line.clear();
      overlong = false;
      rest.remove_prefix(end + 1);
    }
  }
  // A read error (a folder, a failing disk) is no manifest at all rather than half of one.
  if (in.bad()) return std::nullopt;
  if (!overlong) ParseLine(line, entries);  // the last line needs no line feed
  return entries;
}

ModelCheck VerifyModels(const std::u16string& modelsFolder, const std::vector<std::u16string>& fileNames) {
  ModelCheck check;
  const std::optional<ManifestEntries> manifest = ReadSha256Sums(JoinPath(modelsFolder, u"SHA256SUMS"));
  if (!manifest) check.report += "SHA256SUMS not readable; model hashes can not be verified\n";
  const ManifestEntries noEntries;
  const ManifestEntries& entries = manifest ? *manifest : noEntries;

  for (const std::u16string& name : fileNames) {
    const std::string key = AsciiLower(ToUtf8(name));
    const auto entry = entries.find(key);
    if (entry == entries.end()) {
      check.report += "Unpinned model (no SHA256SUMS entry): " + key + "\n";
      continue;
    }

    const std::string actual = Sha256FileHex(JoinPath(modelsFolder, name));
    if (actual.empty()) {
      check.report += "Model hash check failed (unreadable file): " + key + "\n";
      check.passed = false;
      return check;
    }
    if (actual != entry->second) {
      check.report += "Model hash mismatch: " + key + "\n";
      check.report += "  expected " + entry->second + "\n";
      check.report += "  actual   " + actual + "\n";
      check.passed = false;
      return check;
    }
    check.report += "Model hash ok: " + key + "\n";
  }
  return check;
}

}  // namespace vesk
