// The golden runs: the worker on every sample screenshot, and all it leaves behind (exit code, text
// report, JSON document, run log, console) against the sample's known text and symbols.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "e2e/worker_fixture.h"
#include "platform/path.h"
#include "support/known_text.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// Whether this build reads barcodes (zxing-cpp was available when it was built).
constexpr bool kBarcodeReader = VESK_TEST_BARCODE_READER;

struct SampleCase {
  std::string name;
  std::vector<std::string> options = {};  // besides --ep=cpu and --console
  std::vector<size_t> strays = {};        // lines of the report read in the bars of a symbol, not in the known text
};

void PrintTo(const SampleCase& sample, std::ostream* out) { *out << sample.name; }

// Every sample screenshot with symbols (NAME.barcodes.txt), or every one without.
std::vector<SampleCase> Samples(bool withSymbols) {
  const std::vector<SampleCase> special = {
      {"blank", {"--barcode=0"}},                // with the scan off, no output speaks of barcodes
      {"screen_1920x1080", {"--order=layout"}},  // its known text is in the order a person reads it
      {"wide_code128_1920x1080", {}, {1, 4}},    // its wide bars read as letters too
  };
  const fs::path folder = TestDataDir() / "samples";
  std::vector<SampleCase> cases;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().stem().string();
    if (entry.path().extension() != ".png" || fs::exists(folder / (name + ".barcodes.txt")) != withSymbols) continue;
    const auto it = std::find_if(special.begin(), special.end(), [&](const SampleCase& c) { return c.name == name; });
    cases.push_back(it == special.end() ? SampleCase{name} : *it);
  }
  std::sort(cases.begin(), cases.end(), [](const SampleCase& a, const SampleCase& b) { return a.name < b.name; });
  return cases;
}

std::pair<int, int> PngSize(const fs::path& png) {
  const std::string header = ReadFile(png);  // the IHDR chunk's width and height, big-endian
  const auto at = [&](size_t i) { return static_cast<int>(static_cast<uint8_t>(header.at(i))); };
  return {at(16) << 24 | at(17) << 16 | at(18) << 8 | at(19), at(20) << 24 | at(21) << 16 | at(22) << 8 | at(23)};
}

// A JSON string of the sample's text: quotes and backslashes escaped, and the tab between the pieces of a row.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' || c == '\\' ? std::string{'\\', c} : c == '\t' ? "\\t" : std::string{c};
  return out + "\"";
}

std::string JsonArray(const std::string& key, const std::vector<std::string>& elements) {
  std::string out = "  \"" + key + "\": [";
  for (size_t i = 0; i < elements.size(); ++i) out += (i == 0 ? "\n    {\n" : "    },\n    {\n") + elements[i];
  return out + (elements.empty() ? "],\n" : "    }\n  ],\n");
}

// The document with the values that vary from run to run or machine to machine as "#", where they have
// their form: a score between 0 and 1 with four decimals, a box of four corners, the time.
std::string Masked(const std::string& json) {
  static const std::regex varying(
      R"(("score": )(0\.\d{4}|1\.0000)|("box": )\[(\[\d+,\d+\],){3}\[\d+,\d+\]\]|("elapsed_ms": )\d+)");
  return std::regex_replace(json, varying, "$1$3$5#");
}

class SampleTest : public PipelineTest, public ::testing::WithParamInterface<SampleCase> {
 protected:
  void ExpectGoldenRun();
};

// The samples with symbols run again under each barcode library the build may use: the zxing23 test
// preset selects them by this name.
class BarcodePipelineTest : public SampleTest {};

void SampleTest::ExpectGoldenRun() {
  const SampleCase& sample = GetParam();
  const fs::path shot = Sample(sample.name + ".png");
  std::vector<std::string> options{"--ep=cpu"};
  options.insert(options.end(), sample.options.begin(), sample.options.end());
  const ProgramResult r = RunOn(shot, options);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const bool scanned = std::find(options.begin(), options.end(), "--barcode=0") == options.end();
  const std::vector<std::string> symbols = scanned && kBarcodeReader ? KnownLines(sample.name + ".barcodes")
                                                                     : std::vector<std::string>{};

  // The text report: every symbol exactly, then the known lines, read with the models' tolerance.
  std::string head;
  std::vector<std::string> barcodes;  // their JSON elements
  for (const std::string& symbol : symbols) {
    const std::string format = symbol.substr(0, symbol.find('\t')), text = symbol.substr(format.size() + 1);
    const std::string rule = "==================================================\r\n";
    head += rule + "[QR Code / Barcode]\r\nType: " + format + "\r\nContent: " + text + "\r\n" + rule + "\r\n";
    barcodes.push_back("      \"format\": " + Quoted(format) + ",\n      \"text\": " + Quoted(text) +
                       ",\n      \"box\": #\n");
  }
  const std::string report = ReadFile(NativePath(Paths().textPath));
  std::vector<std::string> lines;
  if (!symbols.empty() || report != "No text detected in the current view.\r\n") {
    if (!symbols.empty()) head += "[OCR Text]\r\n";
    ASSERT_TRUE(report.starts_with(head)) << report;
    ASSERT_TRUE(report.ends_with("\r\n")) << report;
    lines = CrlfLines(report.substr(head.size()));
  }
  const std::vector<std::string> known = KnownLines(sample.name);
  ASSERT_EQ(lines.size(), known.size() + sample.strays.size()) << report;
  for (size_t i = 0, k = 0; i < lines.size(); ++i) {
    if (std::find(sample.strays.begin(), sample.strays.end(), i) == sample.strays.end()) {
      ExpectCloseText(lines[i], known[k++]);
    }
  }

  // The JSON document: the same symbols and lines in the same order, a line turned over exactly where the
  // sample shows one upside down (NAME.rotated.txt).
  const std::vector<std::string> turned = KnownLines(sample.name + ".rotated");
  std::vector<std::string> jsonLines;
  for (size_t i = 0; i < lines.size(); ++i) {
    const bool upsideDown = std::find(turned.begin(), turned.end(), std::to_string(i)) != turned.end();
    jsonLines.push_back("      \"index\": " + std::to_string(i) + ",\n      \"text\": " + Quoted(lines[i]) +
                        ",\n      \"score\": #,\n      \"orientation\": " + (upsideDown ? "180" : "0") +
                        ",\n      \"box\": #\n");
  }
  const auto [width, height] = PngSize(shot);
  EXPECT_EQ(Masked(ReadFile(NativePath(Paths().jsonPath))),
            "{\n  \"schema\": \"vesk.ocr/1\",\n  \"source_image\": " + Quoted(shot.string()) +
                ",\n  \"image\": { \"width\": " + std::to_string(width) + ", \"height\": " + std::to_string(height) +
                " },\n" + (scanned ? JsonArray("barcodes", barcodes) : "") +
                "  \"engine\": {\n    \"det\": \"PP-OCRv5_server_det\",\n    \"rec\": \"PP-OCRv5_server_rec\",\n"
                "    \"cls\": \"PP-LCNet_x1_0_textline_ori\",\n    \"ort\": \"1.22.1\",\n    \"ep\": \"cpu\",\n"
                "    \"fallback\": false\n  },\n" +
                JsonArray("lines", jsonLines) + "  \"elapsed_ms\": #\n}\n");

  // The run log: the model check, which pins the profile like the models, the profile in force, why
  // a build without a barcode reader skipped the scan, and the completion line that --console prints.
  const std::vector<std::string> log = CrlfLines(ReadFile(NativePath(Paths().logPath)));
  ASSERT_EQ(log.size(), scanned && !kBarcodeReader ? 4u : 3u) << ::testing::PrintToString(log);
  EXPECT_TRUE(log[0].ends_with("Model hash ok: ppocrv5_dict.txt\nModel hash ok: model_profile.txt\n")) << log[0];
  EXPECT_EQ(log[1], "Model profile: model_profile.txt");
  if (log.size() == 4) {
    EXPECT_TRUE(log[2].starts_with("Barcode scan skipped: this build has no barcode reader")) << log[2];
  }
  const std::string counts = std::to_string(lines.size()) + " lines, " + std::to_string(symbols.size()) + " barcodes";
  EXPECT_TRUE(std::regex_match(log.back(), std::regex("Completed: " + counts + R"( in \d+ ms, EP=cpu)"))) << log.back();
  EXPECT_EQ(r.out, log.back() + "\n");
}

TEST_P(SampleTest, RunLeavesWhatTheSampleShows) { ExpectGoldenRun(); }
TEST_P(BarcodePipelineTest, RunLeavesWhatTheSampleShows) { ExpectGoldenRun(); }

std::string CaseName(const ::testing::TestParamInfo<SampleCase>& info) { return info.param.name; }
INSTANTIATE_TEST_SUITE_P(, SampleTest, ::testing::ValuesIn(Samples(false)), CaseName);
INSTANTIATE_TEST_SUITE_P(, BarcodePipelineTest, ::testing::ValuesIn(Samples(true)), CaseName);

}  // namespace
}  // namespace vesk::test
