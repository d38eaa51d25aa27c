#include "output/text_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk {
namespace {

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

const std::string kRule = "==================================================\r\n";

std::string Block(const std::string& format, const std::string& text) {
  return kRule + "[QR Code / Barcode]\r\nType: " + format + "\r\nContent: " + text + "\r\n" + kRule + "\r\n";
}

// The three layouts: nothing found; lines alone, without a heading; barcode blocks, then the lines under
// a heading. Texts are copied byte for byte: bare line feeds, NUL and non-ASCII bytes stay as they are.
TEST(BuildTextReportTest, Layouts) {
  const std::string withNul("a\0b", 3);
  const struct {
    const char* name;
    std::vector<OcrLine> lines;
    std::vector<BarcodeResult> barcodes;
    std::string report;
  } cases[] = {
      {"nothing found", {}, {}, "No text detected in the current view.\r\n"},
      {"lines only", {Line("first"), Line("second")}, {}, "first\r\nsecond\r\n"},
      {"barcodes only", {}, {Barcode("QRCode", "hello")}, Block("QRCode", "hello")},
      {"barcodes then lines",
       {Line("Invoice"), Line("Total 12.50")},
       {Barcode("QRCode", "hello"), Barcode("EAN-13", "4006381333931")},
       Block("QRCode", "hello") + Block("EAN-13", "4006381333931") + "[OCR Text]\r\nInvoice\r\nTotal 12.50\r\n"},
      {"texts unchanged",
       {Line("two\nparts "), Line("gr\xC3\xBC\xC3\x9F")},
       {Barcode("Code128", withNul)},
       Block("Code128", withNul) + "[OCR Text]\r\ntwo\nparts \r\ngr\xC3\xBC\xC3\x9F\r\n"},
  };
  for (const auto& [name, lines, barcodes, report] : cases) EXPECT_EQ(BuildTextReport(lines, barcodes), report) << name;
}

}  // namespace
}  // namespace vesk
