#include "ocr/lowercase_ells.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace vesk {
namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsLower(c) || IsUpper(c) || IsDigit(c); }

// Letters that follow a number as its unit or ordinal: "1" before them is the number one.
constexpr std::array<std::string_view, 46> kUnits{
    "st",  "nd",  "rd",  "th",  "px",  "pt",  "pc",  "em",  "ex",  "ch",  "rem", "vw",
    "vh",  "fr",  "cm",  "mm",  "km",  "in",  "ft",  "yd",  "mi",  "kg",  "mg",  "lb",
    "oz",  "ml",  "ms",  "us",  "ns",  "min", "hr",  "hrs", "sec", "am",  "pm",  "kb",
    "mb",  "gb",  "tb",  "hz",  "khz", "mhz", "ghz", "day", "wk",  "yr"};

// What may follow the last letter of a word: a space or a sentence's punctuation.
bool EndsWord(char c) { return c == ' ' || std::string_view(".,:;!?").find(c) != std::string_view::npos; }

bool IsUnit(std::string_view letters) {
  return std::find(kUnits.begin(), kUnits.end(), letters) != kUnits.end();
}

}  // namespace

std::string ReadLowercaseElls(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    // After a mark other than a space, only where no digit stands before the mark: "9.1esr" is a
    // version, ".1og" a name's end.
    const bool starts = i == 0 || out[i - 1] == ' ' || (!IsAlnum(out[i - 1]) && (i == 1 || !IsDigit(out[i - 2])));
    if (out[i] == '1' && starts) {
      size_t end = i + 1;
      while (end < out.size() && IsLower(out[end])) ++end;
      const bool endsWord = end == out.size() || !IsAlnum(out[end]);
      if (end - i - 1 >= 2 && endsWord && !IsUnit(std::string_view(out).substr(i + 1, end - i - 1))) out[i] = 'l';
    } else if (out[i] == 'I' && i > 0 && IsLower(out[i - 1]) && (i + 1 == out.size() || EndsWord(out[i + 1])) &&
               !(i >= 2 && out[i - 1] == 'l' && out[i - 2] == 'l')) {
      size_t start = i - 1;
      while (start > 0 && IsLower(out[start - 1])) --start;
      if (start > 0 && IsUpper(out[start - 1])) --start;
      // Two letters before it at least: "xI" may be a name.
      if (i - start >= 2 && (start == 0 || !IsAlnum(out[start - 1]))) out[i] = 'l';
    }
  }
  // A closing bracket between a lowercase letter and a letter or digit, in a word that opens none.
  size_t wordStart = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == ' ') wordStart = i + 1;
    if (out[i] != ']' || i == 0 || !IsLower(out[i - 1]) || i + 1 == out.size() || !IsAlnum(out[i + 1])) continue;
    const size_t wordEnd = std::min(out.find(' ', i), out.size());
    if (out.substr(wordStart, wordEnd - wordStart).find('[') == std::string::npos) out[i] = 'l';
  }
  return out;
}

}  // namespace vesk
