#include "imaging/barcode_scan.h"

#include <climits>
#include <cstdint>
#include <exception>

#include "imaging/barcode_reader.h"
#include "imaging/barcode_symbols.h"

namespace vesk {

bool ScanBarcodes(const DecodedImage& image, std::vector<BarcodeResult>& results, std::string& error) {
  results.clear();
  error.clear();
  if (image.width <= 0 || image.height <= 0 || image.pixels.empty()) {
    error = "empty image buffer";
    return false;
  }
  // A buffer shorter than its dimensions claim would have the reader run past its end.
  const uint64_t needed = uint64_t{static_cast<uint32_t>(image.width)} * static_cast<uint32_t>(image.height) * 3;
  if (image.pixels.size() < needed || image.width > INT_MAX / 3) {
    error = "image buffer smaller than its dimensions";
    return false;
  }
  try {
    ReadSymbols(image, results);
    SortSymbols(results);
    return true;
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "unknown exception in barcode scan";
  }
  results.clear();
  return false;
}

}  // namespace vesk
