#pragma once

#include <vector>

#include "core/decoded_image.h"
#include "core/records.h"
#include "core/status.h"

namespace vesk {

// Reads every QR code and barcode in image, sorted by the first corner's y, then x; none found is no
// failure. A failure says why the scan could not be made: of kind ImageFailed for a picture the reader
// cannot be given, Unexpected for whatever the library threw, with the exception's own message.
Outcome<std::vector<BarcodeResult>> ScanBarcodes(const DecodedImage& image);

}  // namespace vesk
