#include "ocr/registry_values.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "ocr/dropped_characters.h"

namespace vesk {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Hexadecimal(uint64_t value, size_t digits) {
  std::string out(digits, '0');
  for (size_t i = digits; i-- > 0 && value != 0; value >>= 4) out[i] = "0123456789abcdef"[value & 0xF];
  return out;
}

// "0x<hex> (<decimal>)" as the editor writes it, or empty when the text is no such field.
std::string NumberValue(std::string_view text) {
  if (text.size() < 6 || text.substr(0, 2) != "0x" || text.back() != ')') return {};
  const size_t open = text.rfind('(');
  if (open == std::string_view::npos || open < 3) return {};
  std::string digits;
  for (char c : text.substr(2, open - 2)) {
    if (c == ' ') continue;
    if (HexValue(c) < 0) return {};
    digits += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
  }
  const std::string_view decimal = text.substr(open + 1, text.size() - open - 2);
  if (digits.empty() || decimal.empty() || decimal.size() > 20) return {};
  uint64_t value = 0;
  for (char c : decimal) {
    if (!IsDigit(c)) return {};
    const uint64_t next = value * 10 + static_cast<uint64_t>(c - '0');
    if (next / 10 != value) return {};
    value = next;
  }
  const size_t width = digits.size() <= 8 && value <= 0xFFFFFFFFu ? 8 : 16;
  if (digits.size() > width) return {};
  const std::string written = Hexadecimal(value, width);
  if (!DroppedFrom(digits, written)) return {};
  return "0x" + written + " (" + std::string(decimal) + ")";
}

// Digits the recogniser reads for the capitals of the editor's font: the digit read, the capital drawn.
constexpr std::array<std::pair<char, char>, 6> kCapitalDigits{
    {{'5', 'S'}, {'2', 'Z'}, {'0', 'O'}, {'0', 'D'}, {'8', 'B'}, {'1', 'I'}}};
constexpr std::array<std::string_view, 8> kTypes{"SZ",  "EXPAND_SZ", "MULTI_SZ", "DWORD",
                                                 "QWORD", "BINARY", "NONE",     "LINK"};

// Whether `read` is `type` with one or two of its capitals read as digits.
bool TypeMisread(std::string_view read, std::string_view type) {
  if (read.size() != type.size() || read == type) return false;
  int confusions = 0;
  for (size_t i = 0; i < read.size(); ++i) {
    if (read[i] == type[i]) continue;
    const bool known = std::any_of(kCapitalDigits.begin(), kCapitalDigits.end(),
                                   [&](const auto& c) { return read[i] == c.first && type[i] == c.second; });
    if (!known) return false;
    ++confusions;
  }
  return confusions <= 2;
}

std::string TypeName(std::string_view text) {
  if (text.size() < 6 || text.substr(0, 4) != "REG_") return {};
  const std::string_view name = text.substr(4);
  std::string_view found;
  for (std::string_view type : kTypes) {
    if (!TypeMisread(name, type)) continue;
    if (!found.empty()) return {};
    found = type;
  }
  return found.empty() ? std::string() : "REG_" + std::string(found);
}

// "(Default)" with one letter lost or read as another; a change of case alone ("(default)") is a
// word of its own.
std::string DefaultName(std::string_view text) {
  constexpr std::string_view kDefault = "(Default)";
  if (text == kDefault || text.size() < 3 || text.front() != '(' || text.back() != ')') return {};
  if (text.size() + 1 == kDefault.size()) return DroppedFrom(text, kDefault) ? std::string(kDefault) : std::string();
  if (text.size() != kDefault.size()) return {};
  int differences = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kDefault[i]) continue;
    if ((text[i] | 0x20) == (kDefault[i] | 0x20)) return {};
    ++differences;
  }
  return differences == 1 ? std::string(kDefault) : std::string();
}

}  // namespace

std::string ReadRegistryValues(std::string_view text) {
  for (auto read : {NumberValue, TypeName, DefaultName}) {
    std::string field = read(text);
    if (!field.empty()) return field;
  }
  return std::string(text);
}

}  // namespace vesk
