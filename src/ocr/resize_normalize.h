#pragma once

#include <array>
#include <cstdint>

namespace vesk {

// Bilinear resampling (half-pixel centres) of a packed RGB picture into the top-left dstW x dstH
// corner of three float planes of planeW x planeH each, normalised per channel as
// (value / 255 - mean) / std. The rest of each plane keeps what the caller put there (zeros).
// The first rows and columns of an enlargement are extrapolated from the edge pair rather than
// clamped to the edge.
void ResizeNormalize(const uint8_t* src, int32_t srcW, int32_t srcH, float* dst, int32_t dstW,
                     int32_t dstH, const std::array<float, 3>& mean, const std::array<float, 3>& std,
                     int32_t planeW, int32_t planeH);

// The part of a dstW x dstH resampling that starts at column x0, row y0 and is winW x winH large,
// written into the top-left corner of the planes: the same values ResizeNormalize gives those
// pixels, so that neighbouring windows of one resampling fit together.
void ResizeNormalizeWindow(const uint8_t* src, int32_t srcW, int32_t srcH, float* dst, int32_t dstW,
                           int32_t dstH, int32_t x0, int32_t y0, int32_t winW, int32_t winH,
                           const std::array<float, 3>& mean, const std::array<float, 3>& std, int32_t planeW,
                           int32_t planeH);

}  // namespace vesk
