#pragma once
// Recognised text as code points: the text steps after recognition judge characters, not bytes.

#include <string_view>
#include <vector>

namespace vesk {

// One code point of UTF-8 text and the bytes it was read from.
struct CodePoint {
  char32_t value;
  std::string_view bytes;
};

// The text split into code points; a byte that starts no valid sequence stands for itself, so no byte
// of the text is lost.
std::vector<CodePoint> SplitCodePoints(std::string_view text);

}  // namespace vesk
