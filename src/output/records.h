#pragma once
// The plain records that carry a run's results from the stages that find them to the writers.

#include <array>
#include <cstdint>
#include <string>

namespace vesk {

// One recognised text line.
struct OcrLine {
  int32_t index = 0;        // position in the pass's list; consecutive from 0
  std::string text;         // UTF-8, never empty
  float score = 0.0f;       // mean probability of the emitted characters
  int32_t orientation = 0;  // 0, or 180 when the line was turned over before recognition
  // x0, y0, x1, y1, x2, y2, x3, y3: top-left, top-right, bottom-right, bottom-left, screenshot pixels.
  std::array<int32_t, 8> box{};
};

struct IntPoint {
  int32_t x = 0;
  int32_t y = 0;
};

// One decoded QR code or barcode.
struct BarcodeResult {
  std::string format;  // symbology name, e.g. "QRCode", "EAN-13"
  std::string text;    // UTF-8 content; may hold NUL and other control bytes
  // Corners top-left, top-right, bottom-right, bottom-left of the symbol as it is oriented.
  std::array<IntPoint, 4> box{};
};

// Document-level facts of one run.
struct ResultMeta {
  std::string sourceImage;
  int32_t imageWidth = 0;
  int32_t imageHeight = 0;
  std::string detModel;
  std::string recModel;
  std::string clsModel;
  std::string runtimeVersion;
  std::string executionProviderName;  // "dml" or "cpu"
  bool fallbackUsed = false;
  bool barcodesEnabled = false;
  int64_t elapsedMs = 0;
};

}  // namespace vesk
