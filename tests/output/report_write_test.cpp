#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "output/result_json.h"
#include "output/text_report.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ReadFile;
using test::ScopedTempDir;
using test::WriteFile;

std::u16string U16(const std::filesystem::path& path) { return FromUtf8(path.string()); }

TEST(ReportWriteTest, TextReportReplacesAnEarlierFile) {
  ScopedTempDir dir;
  const auto path = dir.path() / "view.ocr.txt";
  WriteFile(path, "an earlier, much longer report that must not leave a tail behind");
  OcrLine line;
  line.text = "Invoice";
  ASSERT_TRUE(WriteTextReport(U16(path), {line}, {}));
  EXPECT_EQ(ReadFile(path), "Invoice\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "view.ocr.txt.tmp"));
}

TEST(ReportWriteTest, FailureReportKeepsTheMessageUnchanged) {
  ScopedTempDir dir;
  const auto path = dir.path() / "view.ocr.txt";
  ASSERT_TRUE(WriteFailureReport(U16(path), "Unexpected failure"));
  EXPECT_EQ(ReadFile(path), "OCR Failed:\r\nUnexpected failure\r\n");
  ASSERT_TRUE(WriteFailureReport(U16(path), "Model verification failed:\nModel hash ok: a\n"));
  EXPECT_EQ(ReadFile(path), "OCR Failed:\r\nModel verification failed:\nModel hash ok: a\n\r\n");
}

TEST(ReportWriteTest, JsonDocumentIsWrittenAsBuilt) {
  ScopedTempDir dir;
  const auto path = dir.path() / "view.ocr.json";
  ResultMeta meta;
  meta.sourceImage = "shot.png";
  meta.barcodesEnabled = true;
  ASSERT_TRUE(WriteResultJson(U16(path), meta, {}, {}));
  EXPECT_EQ(ReadFile(path), BuildResultJson(meta, {}, {}));
}

TEST(ReportWriteTest, MissingFolderIsReportedAsFailure) {
  ScopedTempDir dir;
  const auto folder = dir.path() / "gone";
  EXPECT_FALSE(WriteTextReport(U16(folder / "view.ocr.txt"), {}, {}));
  EXPECT_FALSE(WriteFailureReport(U16(folder / "view.ocr.txt"), "message"));
  EXPECT_FALSE(WriteResultJson(U16(folder / "view.ocr.json"), ResultMeta{}, {}, {}));
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace vesk
