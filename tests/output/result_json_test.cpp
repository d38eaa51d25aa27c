#include "output/result_json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace vesk {
namespace {

ResultMeta Meta(bool barcodesEnabled) {
  ResultMeta meta;
  meta.sourceImage = "/tmp/shot.png";
  meta.imageWidth = 1920;
  meta.imageHeight = 1080;
  meta.detModel = "PP-OCRv5_server_det";
  meta.recModel = "PP-OCRv5_server_rec";
  meta.clsModel = "PP-LCNet_x1_0_textline_ori";
  meta.runtimeVersion = "1.22.1";
  meta.executionProviderName = "cpu";
  meta.fallbackUsed = false;
  meta.barcodesEnabled = barcodesEnabled;
  meta.elapsedMs = 2350;
  return meta;
}

OcrLine Line(int32_t index, std::string text, float score) {
  OcrLine line;
  line.index = index;
  line.text = std::move(text);
  line.score = score;
  return line;
}

// The text of the one line of a document built around a single recognised line.
std::string ScoreLine(float score) {
  const std::string json = BuildResultJson(Meta(false), {Line(0, "x", score)}, {});
  const size_t start = json.find("\"score\": ");
  return json.substr(start, json.find('\n', start) - start);
}

TEST(BuildResultJsonTest, EmptyRunWithBarcodesEnabled) {
  EXPECT_EQ(BuildResultJson(Meta(true), {}, {}),
            "{\n"
            "  \"schema\": \"vesk.ocr/1\",\n"
            "  \"source_image\": \"/tmp/shot.png\",\n"
            "  \"image\": { \"width\": 1920, \"height\": 1080 },\n"
            "  \"barcodes\": [],\n"
            "  \"engine\": {\n"
            "    \"det\": \"PP-OCRv5_server_det\",\n"
            "    \"rec\": \"PP-OCRv5_server_rec\",\n"
            "    \"cls\": \"PP-LCNet_x1_0_textline_ori\",\n"
            "    \"ort\": \"1.22.1\",\n"
            "    \"ep\": \"cpu\",\n"
            "    \"fallback\": false\n"
            "  },\n"
            "  \"lines\": [],\n"
            "  \"elapsed_ms\": 2350\n"
            "}\n");
}

TEST(BuildResultJsonTest, EmptyRunWithBarcodesDisabledHasNoBarcodesMember) {
  // Found barcodes are not written when the option is off.
  BarcodeResult stray;
  stray.format = "QRCode";
  EXPECT_EQ(BuildResultJson(Meta(false), {}, {stray}),
            "{\n"
            "  \"schema\": \"vesk.ocr/1\",\n"
            "  \"source_image\": \"/tmp/shot.png\",\n"
            "  \"image\": { \"width\": 1920, \"height\": 1080 },\n"
            "  \"engine\": {\n"
            "    \"det\": \"PP-OCRv5_server_det\",\n"
            "    \"rec\": \"PP-OCRv5_server_rec\",\n"
            "    \"cls\": \"PP-LCNet_x1_0_textline_ori\",\n"
            "    \"ort\": \"1.22.1\",\n"
            "    \"ep\": \"cpu\",\n"
            "    \"fallback\": false\n"
            "  },\n"
            "  \"lines\": [],\n"
            "  \"elapsed_ms\": 2350\n"
            "}\n");
}

TEST(BuildResultJsonTest, TwoLinesAndTwoBarcodes) {
  ResultMeta meta = Meta(true);
  meta.sourceImage = "C:\\Temp\\a.png";
  meta.executionProviderName = "dml";
  meta.fallbackUsed = true;
  meta.elapsedMs = -3;

  OcrLine first = Line(0, "Invoice", 1.0f);
  first.box = {{{10, 20}, {110, 20}, {110, 40}, {10, 40}}};
  OcrLine second = Line(1, "Total \"12.50\"", 0.98765f);
  second.orientation = 180;
  second.box = {{{-5, -1}, {60, 0}, {60, 18}, {-5, 17}}};

  BarcodeResult qr;
  qr.format = "QRCode";
  qr.text = "https://example.org/a?b=c";
  qr.box = {{{300, 10}, {400, 10}, {400, 110}, {300, 110}}};
  BarcodeResult ean;
  ean.format = "EAN-13";
  ean.text = "4006381333931";
  ean.box = {{{500, 200}, {620, 201}, {620, 260}, {500, 259}}};

  EXPECT_EQ(BuildResultJson(meta, {first, second}, {qr, ean}),
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
            "  \"elapsed_ms\": -3\n"
            "}\n");
}

TEST(BuildResultJsonTest, ScoresHaveFourDecimalsRoundedFromTheBinaryValue) {
  EXPECT_EQ(ScoreLine(1.0f), "\"score\": 1.0000,");
  EXPECT_EQ(ScoreLine(0.5f), "\"score\": 0.5000,");
  EXPECT_EQ(ScoreLine(0.12345f), "\"score\": 0.1235,");  // 0.1234500035...
  EXPECT_EQ(ScoreLine(0.98765f), "\"score\": 0.9876,");  // 0.9876499772...
  EXPECT_EQ(ScoreLine(0.0f), "\"score\": 0.0000,");
}

// JSON has no NaN: writing one would make the whole document unparsable.
TEST(BuildResultJsonTest, NonFiniteScoreIsNull) {
  EXPECT_EQ(ScoreLine(std::numeric_limits<float>::quiet_NaN()), "\"score\": null,");
  EXPECT_EQ(ScoreLine(std::numeric_limits<float>::infinity()), "\"score\": null,");
}

TEST(BuildResultJsonTest, ExtremeIntegersInPlainDecimal) {
  ResultMeta meta = Meta(false);
  meta.elapsedMs = std::numeric_limits<int64_t>::min();
  OcrLine line = Line(std::numeric_limits<int32_t>::max(), "x", 0.5f);
  line.box = {{{std::numeric_limits<int32_t>::min(), 0}, {0, 0}, {0, 0}, {0, 0}}};
  const std::string json = BuildResultJson(meta, {line}, {});
  EXPECT_NE(json.find("      \"index\": 2147483647,\n"), std::string::npos);
  EXPECT_NE(json.find("      \"box\": [[-2147483648,0],[0,0],[0,0],[0,0]]\n"), std::string::npos);
  EXPECT_NE(json.find("  \"elapsed_ms\": -9223372036854775808\n}\n"), std::string::npos);
}

TEST(JsonEscapeTest, NamedEscapes) {
  EXPECT_EQ(JsonEscape("\b\t\n\f\r\"\\"), "\\b\\t\\n\\f\\r\\\"\\\\");
  EXPECT_EQ(JsonEscape("a\tb\"c\x01"), "a\\tb\\\"c\\u0001");
}

TEST(JsonEscapeTest, OtherControlBytesAsLowerCaseUnicodeEscapes) {
  EXPECT_EQ(JsonEscape(std::string_view("a\0b", 3)), "a\\u0000b");
  EXPECT_EQ(JsonEscape("\x1B[0m"), "\\u001b[0m");
  EXPECT_EQ(JsonEscape("\x0B\x1F"), "\\u000b\\u001f");
}

TEST(JsonEscapeTest, EverythingElsePassesThrough) {
  EXPECT_EQ(JsonEscape("a/b \x7F"), "a/b \x7F");
  EXPECT_EQ(JsonEscape("gr\xC3\xBC\xC3\x9F \xE6\x96\x87 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"),
            "gr\xC3\xBC\xC3\x9F \xE6\x96\x87 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF");
  EXPECT_EQ(JsonEscape(""), "");
}

// JSON must be UTF-8: a reader refuses the whole document over one stray byte. Each byte that is not part
// of a well-formed sequence becomes U+FFFD; the well-formed text around it stays.
TEST(JsonEscapeTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(JsonEscape("/tmp/\xFF\xFE.png"), "/tmp/" + r + r + ".png");
  EXPECT_EQ(JsonEscape("a\x80" "b"), "a" + r + "b");               // stray continuation byte
  EXPECT_EQ(JsonEscape("\xE6\x96"), r + r);                        // cut off at the end
  EXPECT_EQ(JsonEscape("\xE6\x96\"x"), r + r + "\\\"x");           // cut off before an escaped byte
  EXPECT_EQ(JsonEscape("\xC0\xAF"), r + r);                        // overlong "/"
  EXPECT_EQ(JsonEscape("\xED\xA0\x80"), r + r + r);                // an encoded surrogate
  EXPECT_EQ(JsonEscape("\xF4\x90\x80\x80"), r + r + r + r);        // beyond U+10FFFF
  EXPECT_EQ(JsonEscape("\xC3\xBC\xFF\xC3\xBC"), "\xC3\xBC" + r + "\xC3\xBC");
}

TEST(BuildResultJsonTest, EveryStringOfTheDocumentIsMadeValidUtf8) {
  ResultMeta meta = Meta(true);
  meta.sourceImage = "/tmp/shot\xFF.png";
  BarcodeResult barcode;
  barcode.format = "QRCode";
  barcode.text = "bin\x80\x81";
  const std::string json = BuildResultJson(meta, {Line(0, "t\xFE", 0.5f)}, {barcode});
  EXPECT_NE(json.find("\"source_image\": \"/tmp/shot\xEF\xBF\xBD.png\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"text\": \"bin\xEF\xBF\xBD\xEF\xBF\xBD\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"text\": \"t\xEF\xBF\xBD\""), std::string::npos) << json;
}

}  // namespace
}  // namespace vesk
