#pragma once
// The records every stage speaks in: what the stages find and the writers write.

#include <array>
#include <cstdint>
#include <string>

namespace vesk {

struct IntPoint {
  int32_t x = 0;
  int32_t y = 0;

  bool operator==(const IntPoint&) const = default;
};

// Four corners in screenshot pixels: top-left, top-right, bottom-right, bottom-left of the thing as it
// is oriented.
using Quad = std::array<IntPoint, 4>;

// One recognised text line.
struct OcrLine {
  int32_t index = 0;        // position in the pass's list; consecutive from 0
  std::string text;         // UTF-8, never empty
  float score = 0.0f;       // mean probability of the emitted characters
  int32_t orientation = 0;  // 0, or 180 when the line was turned over before recognition
  Quad box{};
};

// One decoded QR code or barcode.
struct BarcodeResult {
  std::string format;  // symbology name, e.g. "QRCode", "EAN-13"
  std::string text;    // UTF-8 content; may hold NUL and other control bytes
  Quad box{};
};

}  // namespace vesk
