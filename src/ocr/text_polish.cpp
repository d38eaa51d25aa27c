#include "ocr/text_polish.h"

#include <cstdint>
#include <vector>

#include "ocr/code_points.h"

namespace vesk {
namespace {

// The ASCII form of a full-width punctuation mark, or 0 when the code point is none.
char AsciiForm(char32_t c) {
  if (c == U'\u3001') return ',';
  if (c == U'\u3002') return '.';
  if (c < 0xFF01 || c > 0xFF5E) return 0;
  const char ascii = static_cast<char>(c - 0xFF01 + 0x21);
  const bool letterOrDigit = (ascii >= '0' && ascii <= '9') || (ascii >= 'A' && ascii <= 'Z') ||
                             (ascii >= 'a' && ascii <= 'z');
  return letterOrDigit ? 0 : ascii;
}

enum class Script { None, Latin, Chinese };

// What kind of text a neighbouring code point belongs to. Spaces and other full-width punctuation
// say nothing and are looked past.
Script ScriptOf(char32_t c) {
  if (c > ' ' && c < 0x7F) return Script::Latin;
  if (c >= 0x2E80) return Script::Chinese;  // CJK scripts, their punctuation and full-width forms
  return Script::None;
}

Script Neighbour(const std::vector<CodePoint>& points, size_t from, int step) {
  for (size_t i = from; i < points.size(); i += static_cast<size_t>(step)) {
    const char32_t c = points[i].value;
    if (c == ' ' || AsciiForm(c) != 0) continue;
    return ScriptOf(c);
  }
  return Script::None;
}

bool IsTheta(char32_t c) { return c == U'\u03B8' || c == U'\u0398'; }
bool IsGreek(char32_t c) { return c >= 0x0370 && c <= 0x03FF; }
bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ReadSlashedZeros(std::string_view text) {
  const std::vector<CodePoint> points = SplitCodePoints(text);
  bool anyTheta = false;
  for (const CodePoint& p : points) {
    if (IsGreek(p.value) && !IsTheta(p.value)) return std::string(text);
    anyTheta = anyTheta || IsTheta(p.value);
  }
  if (!anyTheta) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < points.size();) {
    if (!IsTheta(points[i].value)) {
      out += points[i].bytes;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < points.size() && IsTheta(points[end].value)) ++end;
    const bool whole = i == 0 && end == points.size();
    const bool byDigit = (i > 0 && IsDigit(points[i - 1].value)) || (end < points.size() && IsDigit(points[end].value));
    for (size_t k = i; k < end; ++k) out += whole || byDigit ? std::string("0") : points[k].bytes;
    i = end;
  }
  return out;
}

std::string ReadLoneZero(std::string_view text) {
  return text == "o" || text == "O" ? std::string("0") : std::string(text);
}

std::string PolishLineText(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);

  const std::vector<CodePoint> points = SplitCodePoints(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < points.size(); ++i) {
    const char ascii = AsciiForm(points[i].value);
    if (ascii != 0) {
      // The index wraps past 0 going left, which ends the search like the end of the text does.
      const Script before = Neighbour(points, i - 1, -1);
      const Script after = Neighbour(points, i + 1, 1);
      const bool latin = (before == Script::Latin || after == Script::Latin) && before != Script::Chinese &&
                         after != Script::Chinese;
      if (latin) {
        out += ascii;
        continue;
      }
    }
    out += points[i].bytes;
  }
  return out;
}

}  // namespace vesk
