#include "ocr/mark_lines.h"

#include <cstddef>

namespace vesk {
namespace {

// The code points of UTF-8 text, spaces left out; a byte that starts no valid sequence stands for
// itself.
std::u32string CodePoints(const std::string& text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (i + length > text.size()) length = 1;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        length = 1;
        value = lead;
        break;
      }
      value = (value << 6) | (next & 0x3F);
    }
    if (value != ' ' && value != '\t' && value != 0x3000) out.push_back(value);
    i += length;
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

}  // namespace

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
    marks[i] = !alphabetic;
  }
  return marks;
}

}  // namespace vesk
