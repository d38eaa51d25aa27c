#include "imaging/barcode_scan.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace vesk {
namespace {

constexpr int kScale = 4;  // pixels a module
constexpr int kQuiet = 4;  // modules of quiet zone drawn around every symbol

DecodedImage Canvas(int width, int height, uint8_t shade) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<size_t>(width) * height * 3, shade);
  return image;
}

ZXing::BitMatrix Encode(ZXing::BarcodeFormat format, const std::string& text) {
  return ZXing::MultiFormatWriter(format).setMargin(0).encode(text, 0, 0);
}

struct Placement {
  int left = 0;             // pixel position of the symbol's (not the quiet zone's) top-left
  int top = 0;
  int rowHeight = kScale;   // pixels a matrix row; tall for linear codes
  bool rotated180 = false;
  bool inverted = false;    // light modules on dark ground, quiet zone included
};

// Draws the symbol with its quiet zone into image.
void Draw(DecodedImage& image, const ZXing::BitMatrix& symbol, const Placement& at) {
  const uint8_t dark = at.inverted ? 255 : 0;
  const uint8_t light = at.inverted ? 0 : 255;
  const int width = symbol.width() * kScale;
  const int height = symbol.height() * at.rowHeight;
  const int margin = kQuiet * kScale;
  for (int y = -margin; y < height + margin; ++y) {
    for (int x = -margin; x < width + margin; ++x) {
      const bool inside = x >= 0 && y >= 0 && x < width && y < height;
      int mx = x / kScale;
      int my = y / at.rowHeight;
      if (at.rotated180) {
        mx = symbol.width() - 1 - mx;
        my = symbol.height() - 1 - my;
      }
      const uint8_t shade = inside && symbol.get(mx, my) ? dark : light;
      uint8_t* pixel = &image.pixels[(static_cast<size_t>(at.top + y) * image.width + at.left + x) * 3];
      pixel[0] = pixel[1] = pixel[2] = shade;
    }
  }
}

std::vector<BarcodeResult> ScanOk(const DecodedImage& image) {
  std::vector<BarcodeResult> results;
  std::string error = "stale";
  EXPECT_TRUE(ScanBarcodes(image, results, error)) << error;
  EXPECT_EQ(error, "");
  return results;
}

void ExpectNear(const IntPoint& point, int x, int y) {
  EXPECT_NEAR(point.x, x, kScale) << "x of (" << point.x << ", " << point.y << ")";
  EXPECT_NEAR(point.y, y, kScale) << "y of (" << point.x << ", " << point.y << ")";
}

TEST(ScanBarcodesTest, QrCodeReportsFormatTextAndCornersInOrder) {
  const ZXing::BitMatrix qr = Encode(ZXing::BarcodeFormat::QRCode, "https://example.org/vesk?q=1");
  DecodedImage image = Canvas(400, 300, 255);
  Draw(image, qr, {.left = 60, .top = 40});
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].format, "QRCode");
  EXPECT_EQ(results[0].text, "https://example.org/vesk?q=1");
  const int side = qr.width() * kScale - 1;
  ExpectNear(results[0].box[0], 60, 40);
  ExpectNear(results[0].box[1], 60 + side, 40);
  ExpectNear(results[0].box[2], 60 + side, 40 + side);
  ExpectNear(results[0].box[3], 60, 40 + side);
}

TEST(ScanBarcodesTest, TurnedQrCodeStartsAtItsOwnTopLeft) {
  const ZXing::BitMatrix qr = Encode(ZXing::BarcodeFormat::QRCode, "upside down");
  DecodedImage image = Canvas(300, 300, 255);
  Draw(image, qr, {.left = 50, .top = 60, .rotated180 = true});
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].text, "upside down");
  const int side = qr.width() * kScale - 1;
  ExpectNear(results[0].box[0], 50 + side, 60 + side);  // the lower right of the picture
  ExpectNear(results[0].box[2], 50, 60);
}

TEST(ScanBarcodesTest, LinearCodeIsRead) {
  const ZXing::BitMatrix ean = Encode(ZXing::BarcodeFormat::EAN13, "5901234123457");
  DecodedImage image = Canvas(ean.width() * kScale + 100, 200, 255);
  Draw(image, ean, {.left = 50, .top = 40, .rowHeight = 100});
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_FALSE(results.empty());
  EXPECT_EQ(results[0].format, "EAN-13");
  EXPECT_EQ(results[0].text, "5901234123457");
}

TEST(ScanBarcodesTest, ResultsAreOrderedTopToBottomThenLeftToRight) {
  const ZXing::BitMatrix left = Encode(ZXing::BarcodeFormat::QRCode, "left");
  const ZXing::BitMatrix right = Encode(ZXing::BarcodeFormat::QRCode, "right");
  const ZXing::BitMatrix below = Encode(ZXing::BarcodeFormat::QRCode, "below");
  DecodedImage image = Canvas(600, 500, 255);
  // Drawn in an order unlike the expected one, so the library's own order cannot pass for sorted.
  Draw(image, below, {.left = 40, .top = 300});
  Draw(image, right, {.left = 340, .top = 60});
  Draw(image, left, {.left = 40, .top = 60});
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].text, "left");
  EXPECT_EQ(results[1].text, "right");
  EXPECT_EQ(results[2].text, "below");
}

// Dark-mode screens show light modules on a dark ground.
TEST(ScanBarcodesTest, InvertedQrCodeIsRead) {
  const ZXing::BitMatrix qr = Encode(ZXing::BarcodeFormat::QRCode, "dark mode");
  DecodedImage image = Canvas(300, 300, 0);
  Draw(image, qr, {.left = 70, .top = 70, .inverted = true});
  const std::vector<BarcodeResult> results = ScanOk(image);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].format, "QRCode");
  EXPECT_EQ(results[0].text, "dark mode");
  ExpectNear(results[0].box[0], 70, 70);
}

TEST(ScanBarcodesTest, BlankPictureIsNoFailure) {
  EXPECT_TRUE(ScanOk(Canvas(640, 480, 255)).empty());
  EXPECT_TRUE(ScanOk(Canvas(1, 1, 0)).empty());
}

TEST(ScanBarcodesTest, UnusableImagesFailWithEmptyResults) {
  const auto expectFailure = [](const DecodedImage& image, const std::string& message) {
    std::vector<BarcodeResult> results(2);
    std::string error;
    EXPECT_FALSE(ScanBarcodes(image, results, error));
    EXPECT_EQ(error, message);
    EXPECT_TRUE(results.empty());
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
