#pragma once

#include <string>

#include "core/decoded_image.h"
#include "core/status.h"

namespace vesk {

// Decodes the first frame of the picture at path into 8-bit RGB. A failure is of kind ImageFailed and
// its message names the path, such as "Failed to open image: " + path.
Outcome<DecodedImage> DecodeImage(const std::u16string& path);

}  // namespace vesk
