#include "imaging/barcode_scan.h"

#include <climits>
#include <cstdint>
#include <exception>

#include "imaging/barcode_reader.h"
#include "imaging/barcode_symbols.h"

namespace vesk {

Outcome<std::vector<BarcodeResult>> ScanBarcodes(const DecodedImage& image) {
  if (image.width <= 0 || image.height <= 0 || image.pixels.empty()) {
    return Status::Failure(FailureKind::ImageFailed, "empty image buffer");
  }
  // A buffer shorter than its dimensions claim would have the reader run past its end.
  const uint64_t needed = uint64_t{static_cast<uint32_t>(image.width)} * static_cast<uint32_t>(image.height) * 3;
  if (image.pixels.size() < needed || image.width > INT_MAX / 3) {
    return Status::Failure(FailureKind::ImageFailed, "image buffer smaller than its dimensions");
  }
  try {
    std::vector<BarcodeResult> results = ReadSymbols(image);
    SortSymbols(results);
    return results;
  } catch (const std::exception& e) {
    return Status::Failure(FailureKind::Unexpected, e.what());
  } catch (...) {
    return Status::Failure(FailureKind::Unexpected, "unknown exception in barcode scan");
  }
}

}  // namespace vesk
