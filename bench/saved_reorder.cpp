#include "saved_reorder.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>

#include "accuracy_metrics.h"
#include "report_reader.h"
#include "ocr/det_box.h"
#include "ocr/layout_order.h"
#include "ocr/line_order.h"
#include "ocr/line_pieces.h"

namespace vesk::bench {
namespace {

// The JSON string starting at json[at] (its opening quote), unescaped; at moves past its closing quote.
std::optional<std::string> ReadString(std::string_view json, size_t& at) {
  if (at >= json.size() || json[at] != '"') return std::nullopt;
  std::string out;
  for (++at; at < json.size(); ++at) {
    const char c = json[at];
    if (c == '"') {
      ++at;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++at >= json.size()) return std::nullopt;
    switch (json[at]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'u': {
        uint32_t unit = 0;
        if (at + 4 >= json.size()) return std::nullopt;
        const auto [next, error] = std::from_chars(json.data() + at + 1, json.data() + at + 5, unit, 16);
        if (error != std::errc{} || next != json.data() + at + 5) return std::nullopt;
        out += EncodeUtf8(std::u32string(1, static_cast<char32_t>(unit)));
        at += 4;
        break;
      }
      default: out += json[at]; break;  // \" \\ \/
    }
  }
  return std::nullopt;
}

template <typename Number>
bool ReadNumber(std::string_view json, size_t& at, Number& value) {
  const auto [next, error] = std::from_chars(json.data() + at, json.data() + json.size(), value);
  if (error != std::errc{}) return false;
  at = static_cast<size_t>(next - json.data());
  return true;
}

// Moves at past key, which must follow at once.
bool Expect(std::string_view json, size_t& at, std::string_view key) {
  if (json.substr(at, key.size()) != key) return false;
  at += key.size();
  return true;
}

}  // namespace

std::optional<std::vector<OcrLine>> ParseJsonLines(std::string_view json) {
  const std::optional<std::pair<size_t, size_t>> entries = FindJsonLines(json);
  if (!entries) return std::nullopt;
  auto [at, end] = *entries;
  constexpr std::string_view kIndex = "\n      \"index\": ";
  std::vector<OcrLine> lines;
  while ((at = json.find(kIndex, at)) != std::string_view::npos && at < end) {
    at += kIndex.size();
    OcrLine line;
    std::optional<std::string> text;
    if (!ReadNumber(json, at, line.index) || !Expect(json, at, ",\n      \"text\": ") ||
        !(text = ReadString(json, at)) || !Expect(json, at, ",\n      \"score\": ")) {
      return std::nullopt;
    }
    line.text = std::move(*text);
    if (json.substr(at, 4) == "null") {
      at += 4;
    } else if (!ReadNumber(json, at, line.score)) {
      return std::nullopt;
    }
    if (!Expect(json, at, ",\n      \"orientation\": ") || !ReadNumber(json, at, line.orientation) ||
        !Expect(json, at, ",\n      \"box\": ")) {
      return std::nullopt;
    }
    for (size_t k = 0; k < line.box.size(); ++k) {
      IntPoint& corner = line.box[k];
      if (!Expect(json, at, k == 0 ? "[[" : ",[") ||
          !ReadNumber(json, at, corner.x) || !Expect(json, at, ",") || !ReadNumber(json, at, corner.y) ||
          !Expect(json, at, "]")) {
        return std::nullopt;
      }
    }
    if (!Expect(json, at, "]")) return std::nullopt;
    lines.push_back(std::move(line));
  }
  return lines;
}

ReadingOrder OrderOfArguments(const std::vector<std::string>& arguments) {
  ReadingOrder order = ReadingOrder::Columns;
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string value;
    if (arguments[i].starts_with("--order=")) {
      value = arguments[i].substr(8);
    } else if (arguments[i] == "--order" && i + 1 < arguments.size()) {
      value = arguments[i + 1];
    } else {
      continue;
    }
    order = value == "layout" ? ReadingOrder::Layout : ReadingOrder::Columns;
  }
  return order;
}

PictureSize ParseJsonPictureSize(std::string_view json) {
  PictureSize picture;
  size_t at = json.find("\n  \"image\": { \"width\": ");
  if (at == std::string_view::npos) return {};
  at = json.find(':', json.find("width", at)) + 2;
  if (!ReadNumber(json, at, picture.width) || !Expect(json, at, ", \"height\": ") ||
      !ReadNumber(json, at, picture.height)) {
    return {};
  }
  return picture;
}

std::vector<OcrLine> Reorder(const std::vector<OcrLine>& lines, ReadingOrder order, PictureSize picture) {
  std::vector<DetBox> boxes;
  boxes.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    DetBox box;
    for (size_t k = 0; k < 4; ++k) {
      box.points[k] = {static_cast<float>(lines[i].box[k].x), static_cast<float>(lines[i].box[k].y)};
    }
    // The score carries the line's position through the order, which returns boxes, not positions.
    box.score = static_cast<float>(i);
    boxes.push_back(box);
  }
  OrderedBoxes ordered;
  if (order == ReadingOrder::Layout) {
    ordered = OrderBoxesByLayout(boxes, picture);
  } else {
    ordered.boxes = OrderBoxes(boxes);
    ordered.joins.assign(ordered.boxes.size(), LineJoin::Starts);
  }
  std::vector<OcrLine> out;
  size_t characters = 0;
  for (size_t i = 0; i < ordered.boxes.size(); ++i) {
    const OcrLine& line = lines[static_cast<size_t>(ordered.boxes[i].score)];
    if (i > 0 && ordered.joins[i] == LineJoin::Continues && out.back().orientation == line.orientation) {
      JoinPiece(out.back(), characters, line, '\t');
      continue;
    }
    out.push_back(line);
    out.back().index = static_cast<int32_t>(out.size() - 1);
    characters = CountCharacters(line.text);
  }
  return out;
}

}  // namespace vesk::bench
