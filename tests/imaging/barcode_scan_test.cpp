// The barcode scan on symbols cut from the sample screenshots (tests/data/samples/src gives where each
// page draws them) and on the whole samples, whichever zxing-cpp version the build links.
#include "imaging/barcode_scan.h"

#include <ZXing/BarcodeFormat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "imaging/image_decoder.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

DecodedImage Sample(const std::string& name) {
  const std::filesystem::path path = test::TestDataDir() / "samples" / (name + ".png");
  Outcome<DecodedImage> image = DecodeImage(FromUtf8(path.string()));
  EXPECT_TRUE(image.ok()) << image.status().message();
  return image.ok() ? std::move(*image) : DecodedImage{};
}

DecodedImage Canvas(int width, int height, uint8_t shade) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<size_t>(width) * height * 3, shade);
  return image;
}

// A symbol on a sample page with its quiet zone: the rectangle that holds it, the page's pixels a module,
// and the modules of quiet zone on each side.
struct SymbolOnPage {
  const char* sample;
  int left, top, width, height;
  int module;
  int quiet;
};

constexpr SymbolOnPage kDemoQr{"qr_and_text", 90, 189, 222, 222, 6, 4};  // https://example.com/vesk-ocr-demo
constexpr SymbolOnPage kLabelQr{"shipping_label", 120, 340, 148, 148, 4, 4};  // .../track/VESK-PARCEL-0042
constexpr SymbolOnPage kDarkQr{"dark_qr", 90, 180, 222, 222, 6, 4};  // light on dark: https://example.com/dark-mode
constexpr SymbolOnPage kLabelEan13{"shipping_label", 1010, 378, 339, 105, 3, 11};  // 5901234123457
constexpr SymbolOnPage kOrderCode128{"two_code128", 120, 160, 462, 120, 3, 10};  // ORDER-1187

DecodedImage Cut(const SymbolOnPage& symbol) {
  const DecodedImage page = Sample(symbol.sample);
  DecodedImage piece = Canvas(symbol.width, symbol.height, 0);
  for (int y = 0; y < symbol.height; ++y) {
    const auto* from = &page.pixels[(static_cast<size_t>(symbol.top + y) * page.width + symbol.left) * 3];
    std::copy(from, from + symbol.width * 3, &piece.pixels[static_cast<size_t>(y) * symbol.width * 3]);
  }
  return piece;
}

void Paste(DecodedImage& canvas, const DecodedImage& piece, int left, int top) {
  for (int y = 0; y < piece.height; ++y) {
    const auto* from = &piece.pixels[static_cast<size_t>(y) * piece.width * 3];
    std::copy(from, from + piece.width * 3, &canvas.pixels[(static_cast<size_t>(top + y) * canvas.width + left) * 3]);
  }
}

DecodedImage Turned(DecodedImage image) {
  const size_t count = image.pixels.size() / 3;
  for (size_t i = 0; i < count / 2; ++i) {
    std::swap_ranges(&image.pixels[i * 3], &image.pixels[i * 3 + 3], &image.pixels[(count - 1 - i) * 3]);
  }
  return image;
}

DecodedImage Inverted(DecodedImage image) {
  for (uint8_t& value : image.pixels) value = static_cast<uint8_t>(255 - value);
  return image;
}

std::vector<BarcodeResult> ScanOk(const DecodedImage& image) {
  Outcome<std::vector<BarcodeResult>> results = ScanBarcodes(image);
  EXPECT_TRUE(results.ok()) << results.status().message();
  return results.ok() ? std::move(*results) : std::vector<BarcodeResult>{};
}

void ExpectNear(const IntPoint& point, int x, int y, int tolerance) {
  EXPECT_NEAR(point.x, x, tolerance) << "x of (" << point.x << ", " << point.y << ")";
  EXPECT_NEAR(point.y, y, tolerance) << "y of (" << point.x << ", " << point.y << ")";
}

TEST(ScanBarcodesTest, QrCodeReportsFormatTextAndCornersInOrder) {
  DecodedImage image = Canvas(400, 300, 255);
  Paste(image, Cut(kDemoQr), 60, 40);
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].format, "QRCode");
  EXPECT_EQ(results[0].text, "https://example.com/vesk-ocr-demo");
  const int first = 60 + kDemoQr.quiet * kDemoQr.module;  // x and y of the symbol's top-left pixel
  const int last = 60 + kDemoQr.width - kDemoQr.quiet * kDemoQr.module - 1;
  const int top = 40 + kDemoQr.quiet * kDemoQr.module;
  const int bottom = 40 + kDemoQr.height - kDemoQr.quiet * kDemoQr.module - 1;
  ExpectNear(results[0].box[0], first, top, kDemoQr.module);
  ExpectNear(results[0].box[1], last, top, kDemoQr.module);
  ExpectNear(results[0].box[2], last, bottom, kDemoQr.module);
  ExpectNear(results[0].box[3], first, bottom, kDemoQr.module);
}

TEST(ScanBarcodesTest, TurnedQrCodeStartsAtItsOwnTopLeft) {
  DecodedImage image = Canvas(400, 300, 255);
  Paste(image, Turned(Cut(kDemoQr)), 60, 40);
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].text, "https://example.com/vesk-ocr-demo");
  const int margin = kDemoQr.quiet * kDemoQr.module;
  // Its first corner is at the lower right of the picture.
  ExpectNear(results[0].box[0], 60 + kDemoQr.width - margin - 1, 40 + kDemoQr.height - margin - 1, kDemoQr.module);
  ExpectNear(results[0].box[2], 60 + margin, 40 + margin, kDemoQr.module);
}

TEST(ScanBarcodesTest, ResultsAreOrderedTopToBottomThenLeftToRight) {
  DecodedImage image = Canvas(640, 560, 255);
  // Drawn in an order unlike the expected one, so the library's own order cannot pass for sorted.
  Paste(image, Cut(kDemoQr), 40, 300);
  Paste(image, Inverted(Cut(kDarkQr)), 360, 40);
  Paste(image, Cut(kLabelQr), 40, 40);
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].text, "https://example.com/track/VESK-PARCEL-0042");
  EXPECT_EQ(results[1].text, "https://example.com/dark-mode");
  EXPECT_EQ(results[2].text, "https://example.com/vesk-ocr-demo");
}

// Dark-mode screens show light modules on a dark ground.
TEST(ScanBarcodesTest, InvertedQrCodeIsRead) {
  DecodedImage image = Canvas(400, 300, 0);
  Paste(image, Inverted(Cut(kDemoQr)), 70, 30);
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].format, "QRCode");
  EXPECT_EQ(results[0].text, "https://example.com/vesk-ocr-demo");
  ExpectNear(results[0].box[0], 70 + kDemoQr.quiet * kDemoQr.module, 30 + kDemoQr.quiet * kDemoQr.module,
             kDemoQr.module);
}

// Linear symbols with wide modules on a screen-sized picture are found both at full size and downscaled
// when the reader downscales for them, which zxing-cpp 1.4 cannot survive. Each is reported once.
TEST(ScanBarcodesTest, LinearCodesOnALargePictureAreReportedOnce) {
  DecodedImage image = Canvas(1000, 700, 255);
  Paste(image, Cut(kOrderCode128), 80, 100);
  Paste(image, Cut(kLabelEan13), 560, 450);
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].format, "Code128");
  EXPECT_EQ(results[0].text, "ORDER-1187");
  EXPECT_EQ(results[1].format, "EAN-13");
  EXPECT_EQ(results[1].text, "5901234123457");
}

// Each barcode sample lists its symbols, one "FORMAT<TAB>content" line each, in the scan's order.
TEST(ScanBarcodesTest, SampleScreenshotsYieldExactlyTheirListedSymbols) {
  for (const std::string name : {"qr_and_text", "shipping_label", "two_code128", "wide_code128_1920x1080", "dark_qr"}) {
    SCOPED_TRACE(name);
    std::ifstream list(test::TestDataDir() / "samples" / (name + ".barcodes.txt"), std::ios::binary);
    std::vector<std::string> expected;
    for (std::string line; std::getline(list, line);) expected.push_back(line);
    ASSERT_FALSE(expected.empty());

    std::vector<std::string> found;
    for (const BarcodeResult& result : ScanOk(Sample(name))) found.push_back(result.format + "\t" + result.text);
    EXPECT_EQ(found, expected);
  }
}

TEST(ScanBarcodesTest, BlankPictureIsNoFailure) {
  EXPECT_TRUE(ScanOk(Canvas(640, 480, 255)).empty());
  EXPECT_TRUE(ScanOk(Canvas(1, 1, 0)).empty());
  EXPECT_TRUE(ScanOk(Sample("blank")).empty());
}

TEST(ScanBarcodesTest, UnusableImagesFailWithTheReason) {
  const auto expectFailure = [](const DecodedImage& image, const std::string& message) {
    const Outcome<std::vector<BarcodeResult>> results = ScanBarcodes(image);
    EXPECT_FALSE(results.ok());
    EXPECT_EQ(results.status().message(), message);
  };
  expectFailure(DecodedImage{}, "empty image buffer");
  DecodedImage negative = Canvas(4, 4, 255);
  negative.height = -4;
  expectFailure(negative, "empty image buffer");
  DecodedImage noPixels = Canvas(4, 4, 255);
  noPixels.pixels.clear();
  expectFailure(noPixels, "empty image buffer");
  // Claims more pixels than it holds: the reader must not run past the buffer.
  DecodedImage shortBuffer = Canvas(4, 4, 255);
  shortBuffer.height = 400;
  expectFailure(shortBuffer, "image buffer smaller than its dimensions");
}

// Results carry the library's format names; every single format it has must be one of the names
// the output allows, so a library update that renames one is caught here.
TEST(ScanBarcodesTest, LibraryFormatNamesAreTheAllowedOnes) {
  const std::set<std::string> allowed = {
      "Aztec", "Codabar", "Code39", "Code93", "Code128", "DataBar", "DataBarExpanded", "DataBarLimited",
      "DataMatrix", "DXFilmEdge", "EAN-8", "EAN-13", "ITF", "MaxiCode", "MicroQRCode", "PDF417", "QRCode",
      "rMQRCode", "UPC-A", "UPC-E"};
  for (auto bit = static_cast<int>(ZXing::BarcodeFormat::Aztec); bit <= static_cast<int>(ZXing::BarcodeFormat::_max);
       bit <<= 1) {
    const std::string name = ZXing::ToString(static_cast<ZXing::BarcodeFormat>(bit));
    EXPECT_TRUE(allowed.count(name)) << name;
  }
}

}  // namespace
}  // namespace vesk
