#pragma once
// The size limits every decoded picture must keep, with the messages for those it does not.

#include <cstdint>
#include <string>

namespace vesk {

inline constexpr uint64_t kMaxImageSide = 16384;
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 26;  // 67,108,864

// The failure message for a first frame of width x height read from path, or empty when the size is
// acceptable: neither side 0, none above kMaxImageSide, the area at most kMaxImagePixels.
std::u16string FrameSizeError(uint64_t width, uint64_t height, const std::u16string& path);

}  // namespace vesk
