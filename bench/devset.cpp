#include "devset.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <sstream>

#include "accuracy_metrics.h"

namespace vesk::bench {
namespace {

std::vector<std::string> SplitRuns(const std::string& row) {
  std::vector<std::string> runs;
  size_t begin = 0;
  for (size_t tab; (tab = row.find('\t', begin)) != std::string::npos; begin = tab + 1) {
    runs.push_back(row.substr(begin, tab - begin));
  }
  runs.push_back(row.substr(begin));
  return runs;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  content = ss.str();
  return static_cast<bool>(in) || in.eof();
}

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void ReadPngSize(const std::filesystem::path& path, int32_t& width, int32_t& height) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[24] = {};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return;
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!std::equal(std::begin(kSignature), std::end(kSignature), header) ||
      !std::equal(header + 12, header + 16, "IHDR")) {
    return;
  }
  width = static_cast<int32_t>(BigEndian32(header + 16));
  height = static_cast<int32_t>(BigEndian32(header + 20));
}

// The families a folder's families.txt names, by screenshot name; empty when there is no such file.
bool LoadFamilies(const std::filesystem::path& folder, std::map<std::string, std::string>& families,
                  std::string& error) {
  families.clear();
  const std::filesystem::path path = folder / "families.txt";
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  std::string text;
  if (!ReadWholeFile(path, text)) {
    error = "cannot read " + path.string();
    return false;
  }
  std::istringstream in(text);
  std::string line;
  for (size_t number = 1; std::getline(in, line); ++number) {
    const size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string::npos || tab + 1 == line.size()) {
      error = path.string() + ": line " + std::to_string(number) + " is not NAME<TAB>FAMILY";
      return false;
    }
    families[line.substr(0, tab)] = line.substr(tab + 1);
  }
  return true;
}

bool LoadOne(const std::filesystem::path& picture, const std::map<std::string, std::string>& families, RowUnit unit,
             Screenshot& shot, std::string& error) {
  shot.name = picture.stem().string();
  if (const auto it = families.find(shot.name); it != families.end()) shot.family = it->second;
  shot.picture = picture;
  const std::filesystem::path textPath = picture.parent_path() / (shot.name + ".txt");
  std::string text;
  if (!ReadWholeFile(textPath, text)) {
    error = "no known text for " + picture.string() + " (" + textPath.string() + ")";
    return false;
  }
  if (!SplitKnownText(text, shot.lines, error)) {
    error = textPath.string() + ": " + error;
    return false;
  }
  const std::filesystem::path rotatedPath = picture.parent_path() / (shot.name + ".rotated.txt");
  std::string rotated;
  if (std::filesystem::exists(rotatedPath)) {
    if (!ReadWholeFile(rotatedPath, rotated)) {
      error = "cannot read " + rotatedPath.string();
      return false;
    }
    std::istringstream in(rotated);
    std::string word;
    while (in >> word) {
      size_t index = 0;
      const auto [end, failure] = std::from_chars(word.data(), word.data() + word.size(), index);
      if (failure != std::errc{} || end != word.data() + word.size() || index >= shot.lines.size()) {
        error = rotatedPath.string() + ": not a line index: " + word;
        return false;
      }
      shot.upsideDown.push_back(index);
    }
  }
  shot.lines = ScoredLines(shot.lines, unit, &shot.upsideDown);
  ReadPngSize(picture, shot.width, shot.height);
  return true;
}

}  // namespace

bool SplitKnownText(const std::string& text, std::vector<std::string>& lines, std::string& error) {
  lines.clear();
  if (text.find('\r') != std::string::npos) {
    error = "carriage return in known text (LF line ends only)";
    return false;
  }
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    if (NormaliseLine(DecodeUtf8(lines.back())).empty()) {
      error = "blank line " + std::to_string(lines.size());
      return false;
    }
    for (const std::string& run : SplitRuns(lines.back())) {
      if (NormaliseLine(DecodeUtf8(run)).empty()) {
        error = "blank run in line " + std::to_string(lines.size());
        return false;
      }
    }
    begin = end + 1;
  }
  return true;
}

std::vector<std::string> ScoredLines(const std::vector<std::string>& rows, RowUnit unit,
                                     std::vector<size_t>* upsideDown) {
  std::vector<std::string> lines;
  std::vector<size_t> firstLineOfRow;
  for (const std::string& row : rows) {
    firstLineOfRow.push_back(lines.size());
    if (unit == RowUnit::kRows) {
      std::string line = row;
      std::replace(line.begin(), line.end(), '\t', ' ');
      lines.push_back(std::move(line));
    } else {
      for (std::string& run : SplitRuns(row)) lines.push_back(std::move(run));
    }
  }
  firstLineOfRow.push_back(lines.size());
  if (upsideDown) {
    std::vector<size_t> turned;
    for (const size_t row : *upsideDown) {
      for (size_t line = firstLineOfRow[row]; line < firstLineOfRow[row + 1]; ++line) turned.push_back(line);
    }
    *upsideDown = std::move(turned);
  }
  return lines;
}

bool LoadScreenshots(const std::vector<std::filesystem::path>& sources, std::vector<Screenshot>& out,
                     std::string& error, RowUnit unit) {
  std::map<std::string, std::string> families;
  for (const std::filesystem::path& source : sources) {
    std::error_code ec;
    const bool folder = std::filesystem::is_directory(source, ec);
    if (!LoadFamilies(folder ? source : source.parent_path(), families, error)) return false;
    if (folder) {
      std::vector<std::filesystem::path> pictures;
      for (const auto& entry : std::filesystem::directory_iterator(source, ec)) {
        const std::filesystem::path& p = entry.path();
        if (p.extension() == ".png" && std::filesystem::exists(p.parent_path() / (p.stem().string() + ".txt"))) {
          pictures.push_back(p);
        }
      }
      if (ec) {
        error = "cannot list " + source.string() + ": " + ec.message();
        return false;
      }
      std::sort(pictures.begin(), pictures.end());
      for (const auto& picture : pictures) {
        if (!LoadOne(picture, families, unit, out.emplace_back(), error)) return false;
      }
    } else if (std::filesystem::exists(source, ec)) {
      if (!LoadOne(source, families, unit, out.emplace_back(), error)) return false;
    } else {
      error = "no such screenshot or folder: " + source.string();
      return false;
    }
  }
  return true;
}

}  // namespace vesk::bench
