#include "report_reader.h"

#include <charconv>

namespace vesk::bench {
namespace {

constexpr std::string_view kRule = "==================================================";
constexpr std::string_view kNoText = "No text detected in the current view.\r\n";

std::vector<std::string> SplitCrlf(std::string_view text, bool& complete) {
  std::vector<std::string> rows;
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t end = text.find("\r\n", begin);
    if (end == std::string_view::npos) {
      rows.emplace_back(text.substr(begin));
      complete = false;
      return rows;
    }
    rows.emplace_back(text.substr(begin, end - begin));
    begin = end + 2;
  }
  complete = true;
  return rows;
}

// Skips one barcode block starting at rows[i]; returns the index after it, or 0 when it is not one.
size_t SkipBarcodeBlock(const std::vector<std::string>& rows, size_t i) {
  if (i + 3 >= rows.size() || rows[i] != kRule || rows[i + 1] != "[QR Code / Barcode]" ||
      !rows[i + 2].starts_with("Type: ") || !rows[i + 3].starts_with("Content: ")) {
    return 0;
  }
  // The content may itself hold line breaks; the block ends at the next rule line and an empty line.
  for (size_t j = i + 4; j + 1 < rows.size(); ++j) {
    if (rows[j] == kRule && rows[j + 1].empty()) return j + 2;
  }
  return 0;
}

}  // namespace

ReportText ParseTextReport(std::string_view report) {
  ReportText out;
  if (report == kNoText) return out;
  bool complete = true;
  std::vector<std::string> rows = SplitCrlf(report, complete);
  out.wellFormed = complete;
  if (!rows.empty() && rows.front() == "OCR Failed:") {
    out.failed = true;
    for (size_t i = 1; i < rows.size(); ++i) {
      if (i > 1) out.failure += '\n';
      out.failure += rows[i];
    }
    return out;
  }
  size_t first = 0;
  if (!rows.empty() && rows.front() == kRule) {
    while (first < rows.size() && rows[first] == kRule) {
      const size_t next = SkipBarcodeBlock(rows, first);
      if (next == 0) {
        out.wellFormed = false;
        break;
      }
      first = next;
    }
    if (out.wellFormed && first < rows.size()) {
      if (rows[first] == "[OCR Text]") {
        ++first;
      } else {
        out.wellFormed = false;
      }
    }
  }
  out.lines.assign(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.end());
  return out;
}

std::optional<std::pair<size_t, size_t>> FindJsonLines(std::string_view json) {
  if (const size_t empty = json.find("\n  \"lines\": [],\n"); empty != std::string_view::npos) {
    return std::make_pair(empty, empty);
  }
  const size_t at = json.find("\n  \"lines\": [\n");
  if (at == std::string_view::npos) return std::nullopt;
  const size_t end = json.find("\n  ],\n", at);
  if (end == std::string_view::npos) return std::nullopt;
  return std::make_pair(at, end);
}

std::optional<std::vector<int>> ParseLineOrientations(std::string_view json) {
  const std::optional<std::pair<size_t, size_t>> entries = FindJsonLines(json);
  if (!entries) return std::nullopt;
  auto [at, end] = *entries;
  // String values escape their quotes, so this key with its indent only occurs as a line's field.
  constexpr std::string_view kKey = "\n      \"orientation\": ";
  std::vector<int> orientations;
  while ((at = json.find(kKey, at)) != std::string_view::npos && at < end) {
    at += kKey.size();
    int value = 0;
    const auto [next, error] = std::from_chars(json.data() + at, json.data() + end, value);
    if (error != std::errc{}) return std::nullopt;
    orientations.push_back(value);
    at = static_cast<size_t>(next - json.data());
  }
  return orientations;
}

std::optional<std::vector<LineBox>> ParseLineBoxes(std::string_view json) {
  if (json.find("\n  \"lines\": [],\n") != std::string_view::npos) return std::vector<LineBox>{};
  size_t at = json.find("\n  \"lines\": [\n");
  if (at == std::string_view::npos) return std::nullopt;
  const size_t end = json.find("\n  ],\n", at);
  if (end == std::string_view::npos) return std::nullopt;
  constexpr std::string_view kKey = "\n      \"box\": ";
  std::vector<LineBox> boxes;
  while ((at = json.find(kKey, at)) != std::string_view::npos && at < end) {
    at += kKey.size();
    LineBox box{};
    // [[x0,y0],[x1,y1],[x2,y2],[x3,y3]]: brackets and commas between the numbers.
    for (size_t n = 0; n < 8; ++n) {
      while (at < end && (json[at] == '[' || json[at] == ']' || json[at] == ',')) ++at;
      int value = 0;
      const auto [next, error] = std::from_chars(json.data() + at, json.data() + end, value);
      if (error != std::errc{}) return std::nullopt;
      box[n / 2][n % 2] = value;
      at = static_cast<size_t>(next - json.data());
    }
    if (json.substr(at, 2) != "]]") return std::nullopt;
    boxes.push_back(box);
  }
  return boxes;
}

}  // namespace vesk::bench
