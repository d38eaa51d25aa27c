#include "ocr/resize_normalize.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vesk {

namespace {

// Source pair and fraction for one destination row or column. The fraction is taken against the
// clamped first index, so near the leading edge of an enlargement it is negative (extrapolation).
struct SamplePair {
  int32_t first;
  int32_t second;
  float fraction;
};

SamplePair MapSample(int32_t dstIndex, int32_t srcSize, int32_t dstSize) {
  const float s = ((static_cast<float>(dstIndex) + 0.5f) * static_cast<float>(srcSize)) /
                      static_cast<float>(dstSize) -
                  0.5f;
  const int32_t floorIndex = static_cast<int32_t>(std::floor(s));
  const int32_t first = std::clamp(floorIndex, 0, srcSize - 1);
  const int32_t second = std::clamp(first + 1, 0, srcSize - 1);
  return {first, second, s - static_cast<float>(first)};
}

}  // namespace

void ResizeNormalize(const uint8_t* src, int32_t srcW, int32_t srcH, float* dst, int32_t dstW,
                     int32_t dstH, const std::array<float, 3>& mean, const std::array<float, 3>& std,
                     int32_t planeW, int32_t planeH) {
  ResizeNormalizeWindow(src, srcW, srcH, dst, dstW, dstH, 0, 0, dstW, dstH, mean, std, planeW, planeH);
}

void ResizeNormalizeWindow(const uint8_t* src, int32_t srcW, int32_t srcH, float* dst, int32_t dstW,
                           int32_t dstH, int32_t x0, int32_t y0, int32_t winW, int32_t winH,
                           const std::array<float, 3>& mean, const std::array<float, 3>& std, int32_t planeW,
                           int32_t planeH) {
  if (src == nullptr || dst == nullptr || srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0) return;
  if (winW <= 0 || winH <= 0 || x0 < 0 || y0 < 0 || x0 > dstW - winW || y0 > dstH - winH) return;
  // A plane smaller than the window would make the rows overlap or run past the buffer.
  if (planeW < winW || planeH < winH) return;

  // The column mapping is the same for every row: work it out once so the pixel loop only multiplies.
  std::vector<SamplePair> columns(static_cast<size_t>(winW));
  for (int32_t j = 0; j < winW; ++j) columns[j] = MapSample(x0 + j, srcW, dstW);

  const size_t plane = static_cast<size_t>(planeW) * static_cast<size_t>(planeH);
  const size_t srcStride = static_cast<size_t>(srcW) * 3;
  for (int32_t i = 0; i < winH; ++i) {
    const SamplePair row = MapSample(y0 + i, srcH, dstH);
    const float fy = row.fraction;
    const uint8_t* upper = src + static_cast<size_t>(row.first) * srcStride;
    const uint8_t* lower = src + static_cast<size_t>(row.second) * srcStride;
    float* out = dst + static_cast<size_t>(i) * planeW;
    for (int32_t j = 0; j < winW; ++j) {
      const SamplePair& col = columns[j];
      const float fx = col.fraction;
      const float w00 = (1.0f - fx) * (1.0f - fy);
      const float w01 = fx * (1.0f - fy);
      const float w10 = (1.0f - fx) * fy;
      const float w11 = fx * fy;
      const uint8_t* p00 = upper + static_cast<size_t>(col.first) * 3;
      const uint8_t* p01 = upper + static_cast<size_t>(col.second) * 3;
      const uint8_t* p10 = lower + static_cast<size_t>(col.first) * 3;
      const uint8_t* p11 = lower + static_cast<size_t>(col.second) * 3;
      for (int c = 0; c < 3; ++c) {
        const float v = w00 * static_cast<float>(p00[c]) / 255.0f +
                        w01 * static_cast<float>(p01[c]) / 255.0f +
                        w10 * static_cast<float>(p10[c]) / 255.0f +
                        w11 * static_cast<float>(p11[c]) / 255.0f;
        out[c * plane + j] = (v - mean[c]) / std[c];
      }
    }
  }
}

}  // namespace vesk
