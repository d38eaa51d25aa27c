#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/decoded_image.h"
#include "core/status.h"

namespace vesk {

// Told a picture's size once it is accepted, before its pixels are decoded.
using ImageSizeKnown = std::function<void(int32_t width, int32_t height)>;

// Decodes the first frame of the picture at path into 8-bit RGB. A failure is of kind ImageFailed and
// its message names the path, such as "Failed to open image: " + path.
Outcome<DecodedImage> DecodeImage(const std::u16string& path, const ImageSizeKnown& sizeKnown = {});

}  // namespace vesk
