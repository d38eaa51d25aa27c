#include "output/text_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

const std::string kRule = "==================================================";

OcrLine Line(std::string text) {
  OcrLine line;
  line.text = std::move(text);
  return line;
}

BarcodeResult Barcode(std::string format, std::string text) {
  BarcodeResult barcode;
  barcode.format = std::move(format);
  barcode.text = std::move(text);
  return barcode;
}

TEST(BuildTextReportTest, NothingFound) {
  const std::string report = BuildTextReport({}, {});
  EXPECT_EQ(report, "No text detected in the current view.\r\n");
  EXPECT_EQ(report.size(), 39u);
}

TEST(BuildTextReportTest, LinesOnlyHaveNoHeading) {
  EXPECT_EQ(BuildTextReport({Line("first"), Line("second")}, {}), "first\r\nsecond\r\n");
}

TEST(BuildTextReportTest, BarcodesOnlyEndAfterTheLastBlock) {
  EXPECT_EQ(BuildTextReport({}, {Barcode("QRCode", "hello")}),
            kRule + "\r\n[QR Code / Barcode]\r\nType: QRCode\r\nContent: hello\r\n" + kRule + "\r\n\r\n");
}

TEST(BuildTextReportTest, BarcodesThenLines) {
  const std::string expected = kRule + "\r\n" +
                               "[QR Code / Barcode]\r\n"
                               "Type: QRCode\r\n"
                               "Content: hello\r\n" +
                               kRule + "\r\n" +
                               "\r\n" +
                               kRule + "\r\n" +
                               "[QR Code / Barcode]\r\n"
                               "Type: EAN-13\r\n"
                               "Content: 4006381333931\r\n" +
                               kRule + "\r\n" +
                               "\r\n"
                               "[OCR Text]\r\n"
                               "Invoice\r\n"
                               "Total 12.50\r\n";
  EXPECT_EQ(BuildTextReport({Line("Invoice"), Line("Total 12.50")},
                            {Barcode("QRCode", "hello"), Barcode("EAN-13", "4006381333931")}),
            expected);
}

// Texts are copied byte for byte: bare line feeds, NUL and non-ASCII bytes stay as they are.
TEST(BuildTextReportTest, TextsAreNotEscapedOrTrimmed) {
  EXPECT_EQ(BuildTextReport({Line("two\nparts "), Line("gr\xC3\xBC\xC3\x9F")}, {}),
            "two\nparts \r\ngr\xC3\xBC\xC3\x9F\r\n");
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(BuildTextReport({}, {Barcode("Code128", withNul)}),
            kRule + "\r\n[QR Code / Barcode]\r\nType: Code128\r\nContent: " + withNul + "\r\n" + kRule + "\r\n\r\n");
}

}  // namespace
}  // namespace vesk
