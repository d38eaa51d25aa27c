#include "output/result_json.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace vesk {
namespace {

ResultMeta Meta(bool barcodesEnabled) {
  ResultMeta meta;
  meta.sourceImage = "C:\\Temp\\a.png";
  meta.imageWidth = 1920;
  meta.imageHeight = 1080;
  meta.detModel = "PP-OCRv5_server_det";
  meta.recModel = "PP-OCRv5_server_rec";
  meta.clsModel = "PP-LCNet_x1_0_textline_ori";
  meta.runtimeVersion = "1.22.1";
  meta.executionProviderName = "cpu";
  meta.barcodesEnabled = barcodesEnabled;
  meta.elapsedMs = 2350;
  return meta;
}

OcrLine Line(int32_t index, std::string text, float score, Quad box = {}) {
  OcrLine line;
  line.index = index;
  line.text = std::move(text);
  line.score = score;
  line.box = box;
  return line;
}

BarcodeResult Barcode(std::string format, std::string text, Quad box = {}) {
  BarcodeResult barcode;
  barcode.format = std::move(format);
  barcode.text = std::move(text);
  barcode.box = box;
  return barcode;
}

// Every member of the document, both arrays with more than one element, exact to the byte.
TEST(BuildResultJsonTest, DocumentLayout) {
  ResultMeta meta = Meta(true);
  meta.executionProviderName = "dml";
  meta.fallbackUsed = true;
  OcrLine turned = Line(1, "Total \"12.50\"", 0.98765f, {{{-5, -1}, {60, 0}, {60, 18}, {-5, 17}}});
  turned.orientation = 180;
  const std::vector<OcrLine> lines = {Line(0, "Invoice", 1.0f, {{{10, 20}, {110, 20}, {110, 40}, {10, 40}}}),
                                      turned};
  const std::vector<BarcodeResult> barcodes = {
      Barcode("QRCode", "https://example.org/a?b=c", {{{300, 10}, {400, 10}, {400, 110}, {300, 110}}}),
      Barcode("EAN-13", "4006381333931", {{{500, 200}, {620, 201}, {620, 260}, {500, 259}}})};

  EXPECT_EQ(BuildResultJson(meta, lines, barcodes),
            "{\n"
            "  \"schema\": \"vesk.ocr/1\",\n"
            "  \"source_image\": \"C:\\\\Temp\\\\a.png\",\n"
            "  \"image\": { \"width\": 1920, \"height\": 1080 },\n"
            "  \"barcodes\": [\n"
            "    {\n"
            "      \"format\": \"QRCode\",\n"
            "      \"text\": \"https://example.org/a?b=c\",\n"
            "      \"box\": [[300,10],[400,10],[400,110],[300,110]]\n"
            "    },\n"
            "    {\n"
            "      \"format\": \"EAN-13\",\n"
            "      \"text\": \"4006381333931\",\n"
            "      \"box\": [[500,200],[620,201],[620,260],[500,259]]\n"
            "    }\n"
            "  ],\n"
            "  \"engine\": {\n"
            "    \"det\": \"PP-OCRv5_server_det\",\n"
            "    \"rec\": \"PP-OCRv5_server_rec\",\n"
            "    \"cls\": \"PP-LCNet_x1_0_textline_ori\",\n"
            "    \"ort\": \"1.22.1\",\n"
            "    \"ep\": \"dml\",\n"
            "    \"fallback\": true\n"
            "  },\n"
            "  \"lines\": [\n"
            "    {\n"
            "      \"index\": 0,\n"
            "      \"text\": \"Invoice\",\n"
            "      \"score\": 1.0000,\n"
            "      \"orientation\": 0,\n"
            "      \"box\": [[10,20],[110,20],[110,40],[10,40]]\n"
            "    },\n"
            "    {\n"
            "      \"index\": 1,\n"
            "      \"text\": \"Total \\\"12.50\\\"\",\n"
            "      \"score\": 0.9876,\n"
            "      \"orientation\": 180,\n"
            "      \"box\": [[-5,-1],[60,0],[60,18],[-5,17]]\n"
            "    }\n"
            "  ],\n"
            "  \"elapsed_ms\": 2350\n"
            "}\n");
}

// The barcodes member is there exactly when the scan was asked for, as an empty array when it found
// nothing; barcodes found without being asked for are not written. Nothing else changes.
TEST(BuildResultJsonTest, BarcodesMemberOnlyWhenTheScanWasAskedFor) {
  const std::string asked = BuildResultJson(Meta(true), {}, {});
  const std::string notAsked = BuildResultJson(Meta(false), {}, {Barcode("QRCode", "stray")});
  const std::string emptyArray = "  \"barcodes\": [],\n";
  const size_t at = asked.find(emptyArray);
  ASSERT_NE(at, std::string::npos) << asked;
  EXPECT_EQ(notAsked, std::string(asked).erase(at, emptyArray.size()));
  EXPECT_NE(asked.find("\n  \"lines\": [],\n  \"elapsed_ms\": 2350\n}\n"), std::string::npos) << asked;
}

// The text of the score line of a document built around a single recognised line.
std::string ScoreLine(float score) {
  const std::string json = BuildResultJson(Meta(false), {Line(0, "x", score)}, {});
  const size_t start = json.find("\"score\": ");
  return json.substr(start, json.find('\n', start) - start);
}

// Four decimals, rounded from the float's exact binary value; JSON has no NaN or infinity, and writing
// one would make the whole document unreadable.
TEST(BuildResultJsonTest, Scores) {
  const struct {
    float score;
    const char* line;
  } cases[] = {{1.0f, "\"score\": 1.0000,"},
               {0.5f, "\"score\": 0.5000,"},
               {0.12345f, "\"score\": 0.1235,"},  // 0.1234500035...
               {0.98765f, "\"score\": 0.9876,"},  // 0.9876499772...
               {0.0f, "\"score\": 0.0000,"},
               {std::numeric_limits<float>::quiet_NaN(), "\"score\": null,"},
               {std::numeric_limits<float>::infinity(), "\"score\": null,"}};
  for (const auto& [score, line] : cases) EXPECT_EQ(ScoreLine(score), line) << score;
}

TEST(BuildResultJsonTest, ExtremeIntegersInPlainDecimal) {
  ResultMeta meta = Meta(false);
  meta.elapsedMs = std::numeric_limits<int64_t>::min();
  const OcrLine line = Line(std::numeric_limits<int32_t>::max(), "x", 0.5f,
                            {{{std::numeric_limits<int32_t>::min(), 0}, {0, 0}, {0, 0}, {0, 0}}});
  const std::string json = BuildResultJson(meta, {line}, {});
  EXPECT_NE(json.find("      \"index\": 2147483647,\n"), std::string::npos);
  EXPECT_NE(json.find("      \"box\": [[-2147483648,0],[0,0],[0,0],[0,0]]\n"), std::string::npos);
  EXPECT_NE(json.find("  \"elapsed_ms\": -9223372036854775808\n}\n"), std::string::npos);
}

// Named escapes, \u escapes for the other control bytes, well-formed UTF-8 unchanged, and every byte
// that is not part of a well-formed sequence replaced by U+FFFD: a reader refuses a whole JSON
// document over one stray byte.
TEST(JsonEscapeTest, EscapesControlBytesAndMakesTextValidUtf8) {
  const std::string r = "\xEF\xBF\xBD";
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"\b\t\n\f\r\"\\", "\\b\\t\\n\\f\\r\\\"\\\\"},
      {"a\tb\"c\x01", "a\\tb\\\"c\\u0001"},
      {std::string("a\0b", 3), "a\\u0000b"},
      {"\x1B[0m", "\\u001b[0m"},
      {"\x0B\x1F", "\\u000b\\u001f"},
      {"a/b \x7F", "a/b \x7F"},
      {"gr\xC3\xBC\xC3\x9F \xE6\x96\x87 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF",
       "gr\xC3\xBC\xC3\x9F \xE6\x96\x87 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"},
      {"", ""},
      {"/tmp/\xFF\xFE.png", "/tmp/" + r + r + ".png"},
      {"a\x80" "b", "a" + r + "b"},              // stray continuation byte
      {"\xE6\x96", r + r},                       // cut off at the end
      {"\xE6\x96\"x", r + r + "\\\"x"},          // cut off before an escaped byte
      {"\xC0\xAF", r + r},                       // overlong "/"
      {"\xED\xA0\x80", r + r + r},               // an encoded surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},       // beyond U+10FFFF
      {"\xC3\xBC\xFF\xC3\xBC", "\xC3\xBC" + r + "\xC3\xBC"},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(JsonEscape(text), escaped) << text;
}

TEST(BuildResultJsonTest, EveryStringOfTheDocumentIsMadeValidUtf8) {
  ResultMeta meta = Meta(true);
  meta.sourceImage = "/tmp/shot\xFF.png";
  const std::string json = BuildResultJson(meta, {Line(0, "t\xFE", 0.5f)}, {Barcode("QRCode", "bin\x80\x81")});
  EXPECT_NE(json.find("\"source_image\": \"/tmp/shot\xEF\xBF\xBD.png\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"text\": \"bin\xEF\xBF\xBD\xEF\xBF\xBD\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"text\": \"t\xEF\xBF\xBD\""), std::string::npos) << json;
}

}  // namespace
}  // namespace vesk
