#include "output/result_json.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/text.h"
#include "session/atomic_file.h"

namespace vesk {
namespace {

// Plain decimal, independent of any locale.
template <typename Int>
void AppendInt(std::string& out, Int value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// Four decimals, rounded from the exact binary value of the float widened to double.
void AppendScore(std::string& out, float score) {
  // JSON has no NaN or infinity; "nan" would make the whole document unreadable.
  if (!std::isfinite(score)) {
    out += "null";
    return;
  }
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(score), std::chars_format::fixed, 4);
  out.append(buffer, result.ptr);
}

void AppendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

void AppendString(std::string& out, std::string_view value) {
  out += '"';
  out += JsonEscape(value);
  out += '"';
}

void AppendPoint(std::string& out, const IntPoint& point) {
  out += '[';
  AppendInt(out, point.x);
  out += ',';
  AppendInt(out, point.y);
  out += ']';
}

// The corners in their stored order, without spaces: [[x0,y0],[x1,y1],[x2,y2],[x3,y3]].
void AppendBox(std::string& out, const Quad& box) {
  out += '[';
  for (size_t i = 0; i < box.size(); ++i) {
    if (i > 0) out += ',';
    AppendPoint(out, box[i]);
  }
  out += ']';
}

void AppendFields(std::string& out, const OcrLine& line) {
  out += "      \"index\": ";
  AppendInt(out, line.index);
  out += ",\n      \"text\": ";
  AppendString(out, line.text);
  out += ",\n      \"score\": ";
  AppendScore(out, line.score);
  out += ",\n      \"orientation\": ";
  AppendInt(out, line.orientation);
  out += ",\n      \"box\": ";
  AppendBox(out, line.box);
  out += '\n';
}

void AppendFields(std::string& out, const BarcodeResult& barcode) {
  out += "      \"format\": ";
  AppendString(out, barcode.format);
  out += ",\n      \"text\": ";
  AppendString(out, barcode.text);
  out += ",\n      \"box\": ";
  AppendBox(out, barcode.box);
  out += '\n';
}

// Both arrays share this layout; neither is ever the last member, so the comma always follows.
template <typename Element>
void AppendArray(std::string& out, std::string_view key, const std::vector<Element>& elements) {
  out += "  \"";
  out += key;
  if (elements.empty()) {
    out += "\": [],\n";
    return;
  }
  out += "\": [\n";
  for (size_t i = 0; i < elements.size(); ++i) {
    out += "    {\n";
    AppendFields(out, elements[i]);
    out += i + 1 < elements.size() ? "    },\n" : "    }\n";
  }
  out += "  ],\n";
}

}  // namespace

std::string JsonEscape(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  // JSON text must be UTF-8, but a path, a barcode's bytes or a dictionary entry need not be: each byte
  // that is not part of a well-formed sequence becomes U+FFFD, as the Windows conversion of a path does.
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      const size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        out += kReplacement;
        ++i;
      } else {
        out += text.substr(i, length);
        i += length;
      }
      continue;
    }
    switch (byte) {
      case 0x08: out += "\\b"; break;
      case 0x09: out += "\\t"; break;
      case 0x0A: out += "\\n"; break;
      case 0x0C: out += "\\f"; break;
      case 0x0D: out += "\\r"; break;
      case 0x22: out += "\\\""; break;
      case 0x5C: out += "\\\\"; break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out += kHex[byte >> 4];
          out += kHex[byte & 0x0F];
        } else {
          out += static_cast<char>(byte);
        }
    }
    ++i;
  }
  return out;
}

std::string BuildResultJson(const ResultMeta& meta, const std::vector<OcrLine>& lines,
                            const std::vector<BarcodeResult>& barcodes) {
  std::string out;
  out.reserve(512 + lines.size() * 160 + barcodes.size() * 160);

  out += "{\n  \"schema\": \"vesk.ocr/1\",\n  \"source_image\": ";
  AppendString(out, meta.sourceImage);
  out += ",\n  \"image\": { \"width\": ";
  AppendInt(out, meta.imageWidth);
  out += ", \"height\": ";
  AppendInt(out, meta.imageHeight);
  out += " },\n";

  if (meta.barcodesEnabled) AppendArray(out, "barcodes", barcodes);

  out += "  \"engine\": {\n    \"det\": ";
  AppendString(out, meta.detModel);
  out += ",\n    \"rec\": ";
  AppendString(out, meta.recModel);
  out += ",\n    \"cls\": ";
  AppendString(out, meta.clsModel);
  out += ",\n    \"ort\": ";
  AppendString(out, meta.runtimeVersion);
  out += ",\n    \"ep\": ";
  AppendString(out, meta.executionProviderName);
  out += ",\n    \"fallback\": ";
  AppendBool(out, meta.fallbackUsed);
  out += "\n  },\n";

  AppendArray(out, "lines", lines);

  out += "  \"elapsed_ms\": ";
  AppendInt(out, meta.elapsedMs);
  out += "\n}\n";
  return out;
}

bool WriteResultJson(const std::u16string& jsonPath, const ResultMeta& meta, const std::vector<OcrLine>& lines,
                     const std::vector<BarcodeResult>& barcodes) {
  return WriteFileAtomically(jsonPath, BuildResultJson(meta, lines, barcodes));
}

}  // namespace vesk
