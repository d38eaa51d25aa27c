#pragma once
// Reading the symbols of a picture with zxing-cpp. The build links one library version and compiles the
// reader written for it: barcode_reader_zxing14.cpp (the system's 1.4) or barcode_reader_zxing23.cpp (2.3,
// built from source); see cmake/VeskZXing.cmake.

#include <vector>

#include "core/decoded_image.h"
#include "core/records.h"

namespace vesk {

// Every symbol found in image, in the library's order, with the barcode scan's reader options in force.
// image is not empty and holds width x height RGB pixels. Throws what the library throws.
std::vector<BarcodeResult> ReadSymbols(const DecodedImage& image);

}  // namespace vesk
