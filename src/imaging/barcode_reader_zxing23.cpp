// Barcode reading with zxing-cpp 2.3 (ReaderOptions, Barcode), built from source: one call with the reader
// options exactly as the barcode scan sets them out.

#include <ZXing/BarcodeFormat.h>
#include <ZXing/CharacterSet.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/ReaderOptions.h>

#include "imaging/barcode_reader.h"
#include "imaging/zxing_results.h"

namespace vesk {
namespace {

// Set one by one so that the library's defaults never change what is read. Three options of the list are
// gone from 2.3, their behaviour fixed at the values the scan wants: Code 39 and ITF check sums are not
// validated, and Codabar start and end characters are always returned.
ZXing::ReaderOptions ReaderOptions() {
  ZXing::ReaderOptions options;
  options.setFormats(ZXing::BarcodeFormat::None)  // empty set: every format the library knows
      .setTryHarder(true)
      .setTryRotate(true)
      .setTryInvert(true)
      .setTryDownscale(true)
      .setDownscaleFactor(3)
      .setDownscaleThreshold(500)
      .setIsPure(false)
      .setTryCode39ExtendedMode(true)
      .setReturnErrors(false)
      .setEanAddOnSymbol(ZXing::EanAddOnSymbol::Ignore)
      .setBinarizer(ZXing::Binarizer::LocalAverage)
      .setTextMode(ZXing::TextMode::HRI)
      .setCharacterSet(ZXing::CharacterSet::Unknown)  // the library decides per symbol
      .setMinLineCount(2)
      .setMaxNumberOfSymbols(255);
  return options;
}

}  // namespace

std::vector<BarcodeResult> ReadSymbols(const DecodedImage& image) {
  const ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::RGB,
                              image.width * 3, 3);
  const ZXing::Barcodes found = ZXing::ReadBarcodes(view, ReaderOptions());
  std::vector<BarcodeResult> results;
  results.reserve(found.size());
  AppendSymbols(found, results);
  return results;
}

}  // namespace vesk
