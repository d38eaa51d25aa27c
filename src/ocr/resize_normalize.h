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

}  // namespace vesk
