// Barcode reading with zxing-cpp 1.4, the version Debian 12 ships (DecodeHints, Result).

#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <cstdint>
#include <vector>

#include "imaging/barcode_reader.h"
#include "imaging/zxing_results.h"

namespace vesk {
namespace {

// The reader options of the barcode scan, set one by one so that the library's defaults never change what
// is read. 1.4 falls short of them in three ways, made good here:
// - Try-downscale: when a linear symbol is found both in the full-size picture and in a downscaled copy,
//   1.4 merges the two finds through Result::operator==, whose assertion "lineCount() == 1" fails for a
//   symbol read on several scan lines (as a minimum line count of 2 requires), and Debian builds it with
//   assertions on: the whole worker aborts (Code 128, EAN-13, ITF, Code 39 with modules of 3 px or more on
//   screens of 800 x 600 and up). Linear formats are therefore read in a call of their own without
//   downscaling: read along pixel rows, they need no smaller copy (the test pictures' linear symbols, 3 to
//   12 px a module, are all found at full size). Matrix formats keep it. The two calls read disjoint sets
//   of formats, so no symbol is found by both; each call may find up to the maximum number of symbols.
// - Try-invert is missing: the matrix formats that dark-mode screens show light on dark are read once more
//   from the inverted picture; a symbol found both ways is reported once.
// - HRI text mode is missing: text() gives the plain decoded text, which is what is reported.
ZXing::DecodeHints ReaderOptions(ZXing::BarcodeFormats formats, bool tryDownscale) {
  ZXing::DecodeHints hints;
  hints.setFormats(formats);
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  hints.setTryDownscale(tryDownscale);
  hints.setDownscaleFactor(3);
  hints.setDownscaleThreshold(500);
  hints.setIsPure(false);
  hints.setTryCode39ExtendedMode(true);
  hints.setValidateCode39CheckSum(false);
  hints.setValidateITFCheckSum(false);
  hints.setReturnCodabarStartEnd(true);
  hints.setReturnErrors(false);
  hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Ignore);
  hints.setBinarizer(ZXing::Binarizer::LocalAverage);
  hints.setCharacterSet("");  // unknown: the library decides per symbol
  hints.setMinLineCount(2);
  hints.setMaxNumberOfSymbols(255);
  return hints;
}

constexpr ZXing::BarcodeFormats kInvertibleFormats =
    ZXing::BarcodeFormat::QRCode | ZXing::BarcodeFormat::MicroQRCode | ZXing::BarcodeFormat::DataMatrix |
    ZXing::BarcodeFormat::Aztec;

// The picture in luminance, as the library computes it. 1.4 makes this copy of an RGB picture on every
// call; made once here, it serves all three.
std::vector<uint8_t> Luminance(const DecodedImage& image) {
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  std::vector<uint8_t> grey(count);
  const uint8_t* rgb = image.pixels.data();
  for (size_t i = 0; i < count; ++i, rgb += 3) grey[i] = ZXing::RGBToLum(rgb[0], rgb[1], rgb[2]);
  return grey;
}

}  // namespace

std::vector<BarcodeResult> ReadSymbols(const DecodedImage& image) {
  std::vector<uint8_t> grey = Luminance(image);
  const ZXing::ImageView view(grey.data(), image.width, image.height, ZXing::ImageFormat::Lum, image.width, 1);
  const ZXing::Results linear = ZXing::ReadBarcodes(view, ReaderOptions(ZXing::BarcodeFormat::LinearCodes, false));
  const ZXing::Results matrix = ZXing::ReadBarcodes(view, ReaderOptions(ZXing::BarcodeFormat::MatrixCodes, true));
  // Inverted in place, so that symbols drawn light on dark read as dark on light.
  for (uint8_t& value : grey) value = static_cast<uint8_t>(255 - value);
  const ZXing::Results light = ZXing::ReadBarcodes(view, ReaderOptions(kInvertibleFormats, true));

  std::vector<BarcodeResult> results;
  results.reserve(linear.size() + matrix.size() + light.size());
  AppendSymbols(linear, results);
  AppendSymbols(matrix, results);
  AppendSymbols(light, results, /*skipKnown=*/true);
  return results;
}

}  // namespace vesk
