#include "devset.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>

#include "accuracy_metrics.h"

namespace vesk::bench {
namespace {

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

bool LoadOne(const std::filesystem::path& picture, Screenshot& shot, std::string& error) {
  shot.name = picture.stem().string();
  shot.picture = picture;
  const std::filesystem::path textPath = picture.parent_path() / (shot.name + ".txt");
  std::string text;
  if (!ReadWholeFile(textPath, text)) {
    error = "no known text for " + picture.string() + " (" + textPath.string() + ")";
    return false;
  }
  if (!SplitKnownText(text, shot.lines, error, &shot.row)) {
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
      const size_t rows = shot.row.empty() ? 0 : shot.row.back() + 1;
      if (failure != std::errc{} || end != word.data() + word.size() || index >= rows) {
        error = rotatedPath.string() + ": not a line index: " + word;
        return false;
      }
      // The file counts the lines of the .txt; every run of that line is upside down.
      for (size_t i = 0; i < shot.row.size(); ++i) {
        if (shot.row[i] == index) shot.upsideDown.push_back(i);
      }
    }
  }
  ReadPngSize(picture, shot.width, shot.height);
  return true;
}

}  // namespace

bool SplitKnownText(const std::string& text, std::vector<std::string>& lines, std::string& error,
                    std::vector<size_t>* rowOfLine) {
  lines.clear();
  if (rowOfLine != nullptr) rowOfLine->clear();
  if (text.find('\r') != std::string::npos) {
    error = "carriage return in known text (LF line ends only)";
    return false;
  }
  size_t row = 0;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    const std::string whole = text.substr(begin, end - begin);
    if (NormaliseLine(DecodeUtf8(whole)).empty()) {
      error = "blank line " + std::to_string(row + 1);
      return false;
    }
    // A row of runs: each run between TABs is a line of its own, left to right.
    size_t runBegin = 0;
    while (true) {
      size_t runEnd = whole.find('\t', runBegin);
      if (runEnd == std::string::npos) runEnd = whole.size();
      lines.push_back(whole.substr(runBegin, runEnd - runBegin));
      if (rowOfLine != nullptr) rowOfLine->push_back(row);
      if (NormaliseLine(DecodeUtf8(lines.back())).empty()) {
        error = "blank run between tabs in line " + std::to_string(row + 1);
        return false;
      }
      if (runEnd == whole.size()) break;
      runBegin = runEnd + 1;
    }
    ++row;
    begin = end + 1;
  }
  return true;
}

bool LoadScreenshots(const std::vector<std::filesystem::path>& sources, std::vector<Screenshot>& out,
                     std::string& error) {
  for (const std::filesystem::path& source : sources) {
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec)) {
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
        if (!LoadOne(picture, out.emplace_back(), error)) return false;
      }
    } else if (std::filesystem::exists(source, ec)) {
      if (!LoadOne(source, out.emplace_back(), error)) return false;
    } else {
      error = "no such screenshot or folder: " + source.string();
      return false;
    }
  }
  return true;
}

}  // namespace vesk::bench
