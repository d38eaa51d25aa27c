#pragma once

#include <string>

#include "core/decoded_image.h"

namespace vesk {

// Decodes the first frame of the picture at path into 8-bit RGB. On false, error holds the reason
// and image must not be used.
bool DecodeImage(const std::u16string& path, DecodedImage& image, std::u16string& error);

}  // namespace vesk
