#include "imaging/image_limits.h"

#include <string>

#include "platform/text.h"

namespace vesk {
namespace {

std::u16string Decimal(uint64_t value) { return FromUtf8(std::to_string(value)); }

}  // namespace

std::u16string FrameSizeError(uint64_t width, uint64_t height, const std::u16string& path) {
  if (width == 0 || height == 0) return u"Invalid image dimensions: " + path;
  // Past the side check both are at most 2^14, so the product cannot overflow.
  if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels) {
    return u"Image dimensions out of range (" + Decimal(width) + u"x" + Decimal(height) + u"): " + path;
  }
  return {};
}

}  // namespace vesk
