#pragma once
// How a decode fails: the size limits every decoded picture must keep, and the failure that names the
// picture's path.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/status.h"

namespace vesk {

inline constexpr uint64_t kMaxImageSide = 16384;
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 26;  // 67,108,864

// A failure of kind ImageFailed for a first frame of width x height read from path, or success when
// the size is acceptable: neither side 0, none above kMaxImageSide, the area at most kMaxImagePixels.
Status CheckFrameSize(uint64_t width, uint64_t height, const std::u16string& path);

// The failure of a decode, whose message is text followed by path.
Status ImageFailure(std::string_view text, const std::u16string& path);

}  // namespace vesk
