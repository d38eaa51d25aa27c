#include "ocr/mark_lines.h"

#include <cstddef>
#include <string_view>

#include "ocr/code_points.h"

namespace vesk {
namespace {

// The code points of the text, spaces left out.
std::u32string CodePoints(const std::string& text) {
  std::u32string out;
  for (const CodePoint& point : SplitCodePoints(text)) {
    if (point.value != ' ' && point.value != '\t' && point.value != 0x3000) out.push_back(point.value);
  }
  return out;
}

// Digits and the letters of Latin, Greek and Cyrillic text: what a misread word still holds.
bool IsAlphabetic(char32_t c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  return c >= 0x370 && c <= 0x4FF;
}

// Chinese, Japanese and Korean text with its punctuation and full-width forms.
bool IsCjk(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF);
}

// Chinese characters proper (Han ideographs), without the punctuation and full-width forms of IsCjk.
bool IsIdeograph(char32_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
}

// The characters a drawn box reads as: a check box or an icon as 口 or 田, a tree's plus box as 中.
bool IsBoxShaped(char32_t c) {
  constexpr std::u32string_view kBoxes = U"\u53E3\u56D7\u4E2D\u7530\u65E5\u66F0\u76EE\u56DE\u51F9\u51F8";
  return kBoxes.find(c) != std::u32string_view::npos;
}

// Two Chinese characters or more are a word (a Chinese menu item or label on a screen whose other text
// is Latin), unless each is a box: a tree's box beside a folder icon reads as "中口".
bool IsChineseWord(const std::u32string& line) {
  if (line.size() < 2) return false;
  bool boxes = true;
  for (const char32_t c : line) {
    if (!IsIdeograph(c)) return false;
    boxes = boxes && IsBoxShaped(c);
  }
  return !boxes;
}

// What a title bar's close button, the last of its buttons, reads as.
bool IsCross(char32_t c) { return c == 'x' || c == 'X' || c == 0xD7 || c == 0x2715 || c == 0x2716; }

// The letters a title bar's other buttons read as: a maximise box as a zero or an o.
bool IsBoxLetter(char32_t c) { return c == '0' || c == 'o' || c == 'O'; }

// The recogniser's confidence in a button row stays below this; a row of short text reads above it.
constexpr float kButtonScore = 0.8f;

constexpr size_t kFewestButtons = 2;
constexpr size_t kMostButtons = 4;

}  // namespace

bool IsWindowButtons(const std::string& text, float score) {
  if (!(score < kButtonScore)) return false;
  size_t buttons = 0;
  bool symbol = false;
  bool apart = true;  // a space since the last character
  char32_t last = 0;
  for (const CodePoint& point : SplitCodePoints(text)) {
    const char32_t c = point.value;
    if (c == ' ') {
      apart = true;
      continue;
    }
    if (!apart || (IsAlphabetic(c) && !IsBoxLetter(c) && !IsCross(c))) return false;
    symbol = symbol || !IsAlphabetic(c);
    apart = false;
    last = c;
    ++buttons;
  }
  return symbol && IsCross(last) && buttons >= kFewestButtons && buttons <= kMostButtons;
}

std::vector<bool> FindMarkLines(const std::vector<std::string>& texts, int32_t maxChars) {
  std::vector<bool> marks(texts.size(), false);
  if (maxChars <= 0) return marks;
  std::vector<std::u32string> points;
  points.reserve(texts.size());
  size_t longChars = 0;
  size_t longCjk = 0;
  for (const std::string& text : texts) {
    points.push_back(CodePoints(text));
    if (points.back().size() <= static_cast<size_t>(maxChars)) continue;
    longChars += points.back().size();
    for (const char32_t c : points.back()) longCjk += IsCjk(c) ? 1 : 0;
  }
  if (longChars == 0 || longCjk * 20 >= longChars) return marks;
  for (size_t i = 0; i < points.size(); ++i) {
    const std::u32string& line = points[i];
    if (line.empty() || line.size() > static_cast<size_t>(maxChars)) continue;
    bool alphabetic = false;
    for (const char32_t c : line) alphabetic = alphabetic || IsAlphabetic(c);
    marks[i] = !alphabetic && !IsChineseWord(line);
  }
  return marks;
}

}  // namespace vesk
