#include "ocr/code_points.h"

#include <cstddef>

namespace vesk {

std::vector<CodePoint> SplitCodePoints(std::string_view text) {
  std::vector<CodePoint> out;
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
    out.push_back({value, text.substr(i, length)});
    i += length;
  }
  return out;
}

}  // namespace vesk
