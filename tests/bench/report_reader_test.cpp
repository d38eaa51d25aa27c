#include "report_reader.h"

#include <gtest/gtest.h>

#include "output/result_json.h"
#include "output/text_report.h"

namespace vesk::bench {
namespace {

OcrLine Line(int32_t index, std::string text, int32_t orientation = 0) {
  OcrLine line;
  line.index = index;
  line.text = std::move(text);
  line.orientation = orientation;
  return line;
}

BarcodeResult Code(std::string text) {
  BarcodeResult code;
  code.format = "QRCode";
  code.text = std::move(text);
  return code;
}

// Reports are built by the worker's own writer, so that the reader follows what it really writes.
TEST(ReportReaderTest, ReadsTheLinesOfEveryReportShape) {
  const std::vector<OcrLine> lines{Line(0, "Invoice"), Line(1, "Total 12.50")};
  const std::vector<std::string> texts{"Invoice", "Total 12.50"};

  EXPECT_EQ(ParseTextReport(BuildTextReport(lines, {})).lines, texts);

  const ReportText none = ParseTextReport(BuildTextReport({}, {}));
  EXPECT_TRUE(none.wellFormed);
  EXPECT_TRUE(none.lines.empty());

  // Barcode blocks are skipped, even when a content spans lines or looks like a report line.
  const std::string rule(50, '=');
  const std::vector<BarcodeResult> codes{Code("hello"), Code("line one\r\n" + rule + "\r\n[OCR Text]\r\nx")};
  const ReportText both = ParseTextReport(BuildTextReport(lines, codes));
  EXPECT_TRUE(both.wellFormed);
  EXPECT_EQ(both.lines, texts);

  const ReportText codesOnly = ParseTextReport(BuildTextReport({}, codes));
  EXPECT_TRUE(codesOnly.wellFormed);
  EXPECT_TRUE(codesOnly.lines.empty());
}

TEST(ReportReaderTest, FailureAndDamagedReports) {
  const ReportText failed = ParseTextReport("OCR Failed:\r\nImage decoding failed: bad file\r\n");
  EXPECT_TRUE(failed.failed);
  EXPECT_EQ(failed.failure, "Image decoding failed: bad file");
  EXPECT_TRUE(failed.lines.empty());

  EXPECT_FALSE(ParseTextReport("cut short").wellFormed);
  EXPECT_FALSE(ParseTextReport("==================================================\r\nnot a block\r\n").wellFormed);
}

TEST(ReportReaderTest, OrientationsComeFromTheLinesArrayOnly) {
  ResultMeta meta;
  meta.barcodesEnabled = true;
  // A barcode whose text imitates a line's field must not be counted.
  const std::vector<BarcodeResult> codes{Code("\n      \"orientation\": 180,")};
  const std::vector<OcrLine> lines{Line(0, "a"), Line(1, "b", 180), Line(2, "c")};
  EXPECT_EQ(ParseLineOrientations(BuildResultJson(meta, lines, codes)), (std::vector<int>{0, 180, 0}));
  EXPECT_EQ(ParseLineOrientations(BuildResultJson(meta, {}, codes)), std::vector<int>{});
  EXPECT_FALSE(ParseLineOrientations("{}").has_value());
}

TEST(ReportReaderTest, BoxesComeFromTheLinesArrayInOrder) {
  ResultMeta meta;
  meta.barcodesEnabled = true;
  BarcodeResult code = Code("x");
  code.box = {{{1, 1}, {2, 1}, {2, 2}, {1, 2}}};
  OcrLine a = Line(0, "a");
  a.box = {{{10, 20}, {110, 18}, {111, 40}, {9, 42}}};
  OcrLine b = Line(1, "b");
  b.box = {{{0, 0}, {1920, 0}, {1920, 1080}, {0, 1080}}};
  const auto boxes = ParseLineBoxes(BuildResultJson(meta, {a, b}, {code}));
  ASSERT_TRUE(boxes.has_value());
  EXPECT_EQ(*boxes, (std::vector<LineBox>{{{{10, 20}, {110, 18}, {111, 40}, {9, 42}}},
                                          {{{0, 0}, {1920, 0}, {1920, 1080}, {0, 1080}}}}));
  EXPECT_EQ(ParseLineBoxes(BuildResultJson(meta, {}, {code})), std::vector<LineBox>{});
  EXPECT_FALSE(ParseLineBoxes("{\n  \"lines\": [\n    {\n      \"box\": [[1,2],[3]]\n    }\n  ],\n}").has_value());
}

}  // namespace
}  // namespace vesk::bench
