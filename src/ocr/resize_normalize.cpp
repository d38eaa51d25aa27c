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

  // The column mapping is the same for every row: work it out once. A row is then computed a channel
  // at a time over arrays, which the compiler turns into vector instructions: the same operations in
  // the same order on each value, so the same floats as one pixel at a time, in a fraction of the time.
  const size_t n = static_cast<size_t>(winW);
  std::vector<size_t> left(n);
  std::vector<size_t> right(n);
  std::vector<float> fx(n);
  std::vector<float> gx(n);  // 1 - fx
  for (size_t j = 0; j < n; ++j) {
    const SamplePair col = MapSample(x0 + static_cast<int32_t>(j), srcW, dstW);
    left[j] = static_cast<size_t>(col.first) * 3;
    right[j] = static_cast<size_t>(col.second) * 3;
    fx[j] = col.fraction;
    gx[j] = 1.0f - col.fraction;
  }
  // Per row: the four weights of each column, and the four source values of one channel.
  std::vector<float> rowBuffers(8 * n);
  float* w00 = rowBuffers.data();
  float* w01 = w00 + n;
  float* w10 = w01 + n;
  float* w11 = w10 + n;
  float* p00 = w11 + n;
  float* p01 = p00 + n;
  float* p10 = p01 + n;
  float* p11 = p10 + n;

  const size_t plane = static_cast<size_t>(planeW) * static_cast<size_t>(planeH);
  const size_t srcStride = static_cast<size_t>(srcW) * 3;
  for (int32_t i = 0; i < winH; ++i) {
    const SamplePair row = MapSample(y0 + i, srcH, dstH);
    const float fy = row.fraction;
    const float gy = 1.0f - fy;
    const uint8_t* upper = src + static_cast<size_t>(row.first) * srcStride;
    const uint8_t* lower = src + static_cast<size_t>(row.second) * srcStride;
    for (size_t j = 0; j < n; ++j) {
      w00[j] = gx[j] * gy;
      w01[j] = fx[j] * gy;
      w10[j] = gx[j] * fy;
      w11[j] = fx[j] * fy;
    }
    for (size_t c = 0; c < 3; ++c) {
      for (size_t j = 0; j < n; ++j) {
        p00[j] = static_cast<float>(upper[left[j] + c]);
        p01[j] = static_cast<float>(upper[right[j] + c]);
        p10[j] = static_cast<float>(lower[left[j] + c]);
        p11[j] = static_cast<float>(lower[right[j] + c]);
      }
      const float m = mean[c];
      const float s = std[c];
      float* out = dst + c * plane + static_cast<size_t>(i) * planeW;
      for (size_t j = 0; j < n; ++j) {
        const float v = w00[j] * p00[j] / 255.0f + w01[j] * p01[j] / 255.0f + w10[j] * p10[j] / 255.0f +
                        w11[j] * p11[j] / 255.0f;
        out[j] = (v - m) / s;
      }
    }
  }
}

}  // namespace vesk
