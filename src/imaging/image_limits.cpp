#include "imaging/image_limits.h"

#include <string>

#include "platform/text.h"

namespace vesk {

Status CheckFrameSize(uint64_t width, uint64_t height, const std::u16string& path) {
  if (width == 0 || height == 0) return ImageFailure("Invalid image dimensions: ", path);
  // Past the side check both are at most 2^14, so the product cannot overflow.
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    return ImageFailure("Image dimensions out of range (" + size + "): ", path);
  }
  return {};
}

Status ImageFailure(std::string_view text, const std::u16string& path) {
  return Status::Failure(FailureKind::ImageFailed, std::string(text) + ToUtf8(path));
}

}  // namespace vesk
