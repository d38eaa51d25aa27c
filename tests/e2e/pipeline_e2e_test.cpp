// Whole runs through every stage: model check, runtime, engine, decoding, barcodes, OCR and both outputs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/worker_fixture.h"
#include "platform/path.h"
#include "platform/text.h"
#include "runtime/ort_platform.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

std::string U8(const std::u16string& s) { return ToUtf8(s); }

// Whether this build reads barcodes (zxing-cpp was available when it was built).
constexpr bool kBarcodeReader = VESK_TEST_BARCODE_READER;

const std::string kRule = "==================================================\r\n";

TEST_F(PipelineTest, SampleWithQrCodeAndTextWritesBothResultsAndTheCompletionLine) {
  const ProgramResult r = RunOn(Sample("qr_and_text.png"), {"--ep=cpu"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const SessionPaths paths = Paths();

  const std::string report = ReadFile(U8(paths.textPath));
  const std::string json = ReadFile(U8(paths.jsonPath));
  const std::string log = ReadFile(U8(paths.logPath));
  EXPECT_TRUE(json.starts_with("{\n  \"schema\": \"vesk.ocr/1\",\n")) << json;
  EXPECT_NE(json.find("    \"ep\": \"cpu\",\n    \"fallback\": false\n"), std::string::npos);
  if (kBarcodeReader) {
    EXPECT_TRUE(report.starts_with(kRule + "[QR Code / Barcode]\r\nType: QRCode\r\n")) << report;
    EXPECT_NE(report.find("\r\n[OCR Text]\r\n"), std::string::npos);
    EXPECT_NE(json.find("\"format\": \"QRCode\""), std::string::npos);
    EXPECT_NE(log.find("1 barcodes in "), std::string::npos);
  } else {
    // A build without a barcode reader still reads the text, and says why the scan was skipped.
    EXPECT_EQ(report.find("[QR Code / Barcode]"), std::string::npos) << report;
    EXPECT_NE(log.find("\r\nBarcode scan skipped: this build has no barcode reader"), std::string::npos) << log;
    EXPECT_NE(log.find("0 barcodes in "), std::string::npos);
  }

  EXPECT_TRUE(r.out.starts_with("Completed: ")) << r.out;
  EXPECT_NE(log.find("Model hash ok: pp-ocrv5_server_det.onnx\n"), std::string::npos);
  EXPECT_TRUE(log.ends_with(" ms, EP=cpu\r\n")) << log;
}

// Run under each barcode library the build may use (the zxing23 test preset selects these by name).
class BarcodePipelineTest : public PipelineTest {
 protected:
  std::vector<std::string> Lines(const fs::path& file) {
    std::istringstream in(ReadFile(file));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

// Linear symbols with wide modules on a large screen once made the barcode library abort the worker.
TEST_F(BarcodePipelineTest, ShippingLabelReportsEverySymbolOnceAndStillReadsItsText) {
  if (!kBarcodeReader) GTEST_SKIP() << "this build has no barcode reader";
  const ProgramResult r = RunOn(Sample("shipping_label.png"), {"--ep=cpu"});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  std::string expected;
  for (const std::string& symbol : Lines(Sample("shipping_label.barcodes.txt"))) {
    const size_t tab = symbol.find('\t');
    expected += kRule + "[QR Code / Barcode]\r\nType: " + symbol.substr(0, tab) + "\r\nContent: " +
                symbol.substr(tab + 1) + "\r\n" + kRule + "\r\n";
  }
  expected += "[OCR Text]\r\n";
  const std::string report = ReadFile(U8(Paths().textPath));
  ASSERT_TRUE(report.starts_with(expected)) << report;

  // The substitute recognition model leaves out some spaces between words; the rest is read exactly.
  const auto withoutSpaces = [](std::string text) {
    std::erase(text, ' ');
    return text;
  };
  std::string text;
  for (const std::string& line : Lines(Sample("shipping_label.txt"))) text += withoutSpaces(line) + "\r\n";
  EXPECT_EQ(withoutSpaces(report.substr(expected.size())), text);
  EXPECT_NE(ReadFile(U8(Paths().logPath)).find("Completed: 6 lines, 3 barcodes in "), std::string::npos);
}

// Whatever DirectML can do on the machine, the simulated set-up failure takes Auto to the CPU with its note.
TEST_F(PipelineTest, SimulatedDirectMlInitFailureFallsBackToTheCpu) {
  const ProgramResult r = RunOn(Sample("blank.png"), {"--force-dml-fail=init"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find(" ms, EP=cpu (Fallback: DML det session init failed: Fault injection: force_dml_fail_init "
                       "simulated; Det and Rec run on CPU)"),
            std::string::npos)
      << r.out;
}

TEST_F(PipelineTest, BlankScreenshotWithoutBarcodeScanHasNoTextAndNoBarcodesMember) {
  const ProgramResult r = RunOn(Sample("blank.png"), {"--ep=cpu", "--barcode=0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(U8(Paths().textPath)), "No text detected in the current view.\r\n");
  const std::string json = ReadFile(U8(Paths().jsonPath));
  EXPECT_EQ(json.find("\"barcodes\""), std::string::npos);
  EXPECT_NE(json.find("  \"lines\": [],\n"), std::string::npos);
  const std::string log = ReadFile(U8(Paths().logPath));
  EXPECT_NE(log.find("Completed: 0 lines, 0 barcodes in "), std::string::npos);
  EXPECT_EQ(log.find("Barcode scan"), std::string::npos);
}

// The text report and the JSON document of one run; the JSON without its elapsed time.
struct RunOutput {
  std::string report;
  std::string json;
};

TEST_F(PipelineTest, ReadingOrderOptionReordersTheLinesOnlyWhenAskedTo) {
  const auto run = [&](std::vector<std::string> order) {
    order.insert(order.begin(), {"--ep=cpu", "--barcode=0", "--cls=0"});
    const ProgramResult r = RunOn(Sample("screen_1920x1080.png"), order);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string json = ReadFile(U8(Paths().jsonPath));
    return RunOutput{ReadFile(U8(Paths().textPath)), json.substr(0, json.find("  \"elapsed_ms\": "))};
  };
  const RunOutput byDefault = run({});
  const RunOutput columns = run({"--order=columns"});
  const RunOutput layout = run({"--order", "LAYOUT"});

  EXPECT_EQ(columns.report, byDefault.report);
  EXPECT_EQ(columns.json, byDefault.json);

  // The same lines in another order, and the JSON document numbers them in that order.
  const auto lines = [](const std::string& report) {
    std::vector<std::string> out;
    for (size_t start = 0, end; (end = report.find("\r\n", start)) != std::string::npos; start = end + 2) {
      out.push_back(report.substr(start, end - start));
    }
    return out;
  };
  std::vector<std::string> inColumns = lines(columns.report), inLayout = lines(layout.report);
  ASSERT_EQ(inLayout.size(), inColumns.size());
  EXPECT_NE(inLayout, inColumns);
  EXPECT_NE(layout.json.find("\"index\": 0,\n      \"text\": \"" + inLayout.front() + "\""), std::string::npos)
      << layout.json;
  std::sort(inColumns.begin(), inColumns.end());
  std::sort(inLayout.begin(), inLayout.end());
  EXPECT_EQ(inLayout, inColumns);
}

// The timeline is for finding where the time goes: it names every stage, and asking for it changes nothing
// the run writes.
TEST_F(PipelineTest, TimelineNamesTheStagesAndLeavesTheResultsAlone) {
  const fs::path timeline = tmp_.path() / "timeline.tsv";
  const auto run = [&](std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"--ep=cpu", "--barcode=0"});
    const ProgramResult r = RunOn(Sample("screen_1920x1080.png"), extra);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string json = ReadFile(U8(Paths().jsonPath));
    return RunOutput{ReadFile(U8(Paths().textPath)), json.substr(0, json.find("  \"elapsed_ms\": "))};
  };
  const RunOutput plain = run({});
  const RunOutput timed = run({"--timeline=" + timeline.string()});
  EXPECT_EQ(timed.report, plain.report);
  EXPECT_EQ(timed.json, plain.json);

  std::vector<std::string> stages;
  std::istringstream in(ReadFile(timeline));
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    ASSERT_NE(line.find('\t', tab + 1), std::string::npos) << line;
    stages.push_back(line.substr(0, tab));
  }
  for (const char* stage : {"model check", "setup: runtime library", "setup: session det", "setup: session cls",
                            "setup: session rec", "decode", "model: det", "model: cls", "model: rec", "ctc",
                            "write results"}) {
    EXPECT_NE(std::find(stages.begin(), stages.end(), stage), stages.end()) << stage;
  }
  ASSERT_FALSE(stages.empty());
  EXPECT_EQ(stages.back(), "end");
}

TEST_F(PipelineTest, RunFaultOnTheCpuEndsWithFour) {
  const ProgramResult r = RunOn(Sample("blank.png"), {"--ep=cpu", "--force-dml-fail=run"});
  EXPECT_EQ(r.exitCode, 4);
  const std::string report = ReadFile(U8(Paths().textPath));
  EXPECT_EQ(report, "OCR Failed:\r\nOCR recognition failed: Pipeline failed: Fault injection: --force-dml-fail=run\n\r\n");
}

TEST_F(PipelineTest, UndecodableScreenshotEndsWithTwo) {
  const fs::path shot = tmp_.path() / "notes.png";
  WriteFile(shot, "this is not a picture\n");
  const ProgramResult r = RunOn(shot, {"--ep=cpu"});
  EXPECT_EQ(r.exitCode, 2);
  // The runtime may add lines of its own (under Wine it reports the graphics interfaces it lacks).
  EXPECT_TRUE(HasLine(r.err, "Image decoding failed: Failed to open image: " + shot.string())) << r.err;
}

// The picture is decoded beside set-up, yet a set-up failure is still the one reported.
TEST_F(PipelineTest, SetUpFailureWinsOverAnUndecodableScreenshot) {
  const fs::path shot = tmp_.path() / "notes.png";
  WriteFile(shot, "this is not a picture\n");
  const ProgramResult r = RunOn(shot, {"--ep=cpu"}, InstallWorkerCopy({}));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.starts_with("ONNX Runtime DLL initialization failed: ")) << r.err;
  const std::string log = ReadFile(U8(Paths().logPath));
  EXPECT_EQ(log.find("Image decoding"), std::string::npos) << log;
  EXPECT_NE(log.find("Error: ONNX Runtime DLL initialization failed: "), std::string::npos) << log;
}

// A file far larger than any picture the limits allow: only its header is read, and the viewer
// still gets the failure report at once.
TEST_F(PipelineTest, HugeScreenshotFileEndsWithTwoAndAReport) {
  const fs::path shot = tmp_.path() / "huge.png";
  WriteFile(shot, ReadFile(Sample("blank.png")).substr(0, 33));  // signature and header chunk only
  fs::resize_file(shot, uint64_t{8} << 30);                       // then 8 GiB of zeros, sparse
  const ProgramResult r = RunOn(shot, {"--ep=cpu"});
  EXPECT_EQ(r.exitCode, 2);
  // The library decoders find the pixel data missing; WIC's decoder refuses such a file at opening.
  std::string message = "Image decoding failed: Failed to read pixels from " + shot.string();
  if (!HasLine(r.err, message)) message = "Image decoding failed: Failed to open image: " + shot.string();
  EXPECT_TRUE(HasLine(r.err, message)) << r.err;
  EXPECT_EQ(ReadFile(U8(Paths().textPath)), "OCR Failed:\r\n" + message + "\r\n");
}

TEST_F(PipelineTest, SpoiledModelStopsTheRunBeforeTheRuntimeIsLoaded) {
  const fs::path worker = InstallWorkerCopy({});  // no backend: the check must fail first
  {
    std::ofstream model(worker.parent_path() / "models" / "PP-OCRv5_server_rec.onnx", std::ios::binary | std::ios::app);
    model << "tampered";
  }
  const ProgramResult r = RunOn(Sample("blank.png"), {}, worker);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.starts_with("Model verification failed:\nModel hash ok: pp-ocrv5_server_det.onnx\n"
                                "Model hash mismatch: pp-ocrv5_server_rec.onnx\n  expected "))
      << r.err;
  EXPECT_NE(r.err.find("\n  actual   "), std::string::npos);
  EXPECT_EQ(r.err.find("textline_ori"), std::string::npos);  // the check stopped at the mismatch
  const std::string log = ReadFile(U8(Paths().logPath));
  EXPECT_TRUE(log.starts_with("Model hash ok: pp-ocrv5_server_det.onnx\n")) << log;
  EXPECT_NE(log.find("\r\nError: Model verification failed:\n"), std::string::npos);
}

TEST_F(PipelineTest, MissingOrTooOldRuntimeEndsWithThree) {
  ProgramResult r = RunOn(Sample("blank.png"), {}, InstallWorkerCopy({}));
  EXPECT_EQ(r.exitCode, 3);
  const fs::path library = tmp_.path() / "install" / "backend" / NativePath(kOrtLibraryFile);
  EXPECT_TRUE(r.err.starts_with("ONNX Runtime DLL initialization failed: Failed to load onnxruntime.dll from " +
                                library.string() + " ("))
      << r.err;
  EXPECT_TRUE(r.err.ends_with(")\n")) << r.err;

  fs::remove_all(tmp_.path() / "install");
  const fs::path oldRuntime = InstallWorkerCopy(OldBackendDir());
  r = RunOn(Sample("blank.png"), {}, oldRuntime);
  EXPECT_EQ(r.exitCode, 3);
  // The old library is not asked for what it cannot give, so it prints no complaint of its own.
  EXPECT_EQ(r.err,
            "ONNX Runtime DLL initialization failed: onnxruntime.dll does not provide ORT API version 22. backend/ "
            "must hold the matching build (see third_party/onnxruntime/README.md).\n");
  r = Run({Sample("blank.png").string(), Viewer().string(), Viewed().string()}, oldRuntime);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace vesk::test
