#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

// A tightly packed 8-bit RGB picture: rows top to bottom, three bytes (R, G, B) a pixel, no padding.
// Used for the screenshot and for every line crop.
struct DecodedImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 3 bytes
};

}  // namespace vesk
