#include "imaging/barcode_scan.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/DecodeHints.h>
#include <ZXing/ImageView.h>
#include <ZXing/ReadBarcode.h>
#include <ZXing/Result.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>

namespace vesk {
namespace {

// The reader options in force, set one by one so that another library version's defaults never
// change what is read. zxing-cpp 1.4 has two of them missing:
// - no HRI text mode: text() gives the plain decoded text, which is what is reported;
// - no try-invert: ScanBarcodes reads an inverted copy itself (see below).
ZXing::DecodeHints ReaderOptions() {
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::None);  // empty set: every format the library knows
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  hints.setTryDownscale(true);
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

// The symbologies that appear light-on-dark on dark-mode screens and that 1.4 cannot read that way.
constexpr ZXing::BarcodeFormats kInvertibleFormats =
    ZXing::BarcodeFormat::QRCode | ZXing::BarcodeFormat::MicroQRCode | ZXing::BarcodeFormat::DataMatrix |
    ZXing::BarcodeFormat::Aztec;

// Luminance as the library computes it, inverted: dark modules on light ground again.
std::vector<uint8_t> InvertedLuminance(const DecodedImage& image) {
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  std::vector<uint8_t> grey(count);
  const uint8_t* rgb = image.pixels.data();
  for (size_t i = 0; i < count; ++i, rgb += 3) {
    grey[i] = static_cast<uint8_t>(255 - ZXing::RGBToLum(rgb[0], rgb[1], rgb[2]));
  }
  return grey;
}

void Append(const ZXing::Results& found, std::vector<BarcodeResult>& results) {
  for (const ZXing::Result& result : found) {
    BarcodeResult record;
    const char* name = ZXing::ToString(result.format());
    record.format = name != nullptr ? name : "";
    record.text = result.text();
    const ZXing::Position& position = result.position();
    for (size_t i = 0; i < record.box.size(); ++i) record.box[i] = IntPoint{position[i].x, position[i].y};
    results.push_back(std::move(record));
  }
}

void ReadAll(const DecodedImage& image, std::vector<BarcodeResult>& results) {
  const ZXing::ImageView view(image.pixels.data(), image.width, image.height, ZXing::ImageFormat::RGB,
                              image.width * 3, 3);
  ZXing::DecodeHints hints = ReaderOptions();
  const ZXing::Results normal = ZXing::ReadBarcodes(view, hints);

  const std::vector<uint8_t> inverted = InvertedLuminance(image);
  const ZXing::ImageView invertedView(inverted.data(), image.width, image.height, ZXing::ImageFormat::Lum,
                                      image.width, 1);
  hints.setFormats(kInvertibleFormats);
  const ZXing::Results light = ZXing::ReadBarcodes(invertedView, hints);

  results.reserve(normal.size() + light.size());
  Append(normal, results);
  Append(light, results);
  std::sort(results.begin(), results.end(), [](const BarcodeResult& a, const BarcodeResult& b) {
    if (a.box[0].y != b.box[0].y) return a.box[0].y < b.box[0].y;
    return a.box[0].x < b.box[0].x;
  });
}

}  // namespace

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
    ReadAll(image, results);
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
