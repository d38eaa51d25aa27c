#pragma once

#include <string>
#include <vector>

#include "core/decoded_image.h"
#include "core/records.h"

namespace vesk {

// Reads every QR code and barcode in image, sorted by the first corner's y, then x.
// False (with results empty and error set) when the scan could not be made.
bool ScanBarcodes(const DecodedImage& image, std::vector<BarcodeResult>& results, std::string& error);

}  // namespace vesk
