// Whole runs through every stage: model check, runtime, engine, decoding, barcodes, OCR and both outputs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/worker_fixture.h"
#include "platform/path.h"
#include "runtime/ort_platform.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// Whatever DirectML can do on the machine, the simulated set-up failure takes Auto to the CPU with its note.
TEST_F(PipelineTest, SimulatedDirectMlInitFailureFallsBackToTheCpu) {
  const ProgramResult r = RunOn(Sample("blank.png"), {"--force-dml-fail=init"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find(" ms, EP=cpu (Fallback: DML det session init failed: Fault injection: force_dml_fail_init "
                       "simulated; Det and Rec run on CPU)"),
            std::string::npos)
      << r.out;
}

// Of the options that leave the text alone, only the reading order changes what the run writes. The
// timeline is for finding where the time goes: it names every stage.
TEST_F(PipelineTest, TimelineAndColumnOrderChangeNothingLayoutOrderReordersTheLines) {
  // The text report and the JSON document without its elapsed time.
  const auto run = [&](std::vector<std::string> extra) {
    extra.insert(extra.begin(), {"--ep=cpu", "--barcode=0"});
    EXPECT_EQ(RunOn(Sample("screen_1920x1080.png"), extra).exitCode, 0);
    const std::string json = ReadFile(U8(Paths().jsonPath));
    return std::pair{ReadFile(U8(Paths().textPath)), json.substr(0, json.find("  \"elapsed_ms\": "))};
  };
  const fs::path timeline = tmp_.path() / "timeline.tsv";
  const auto plain = run({});
  EXPECT_EQ(run({"--order=columns", "--timeline=" + timeline.string()}), plain);
  // The same lines in another order, the pieces of a row joined by tabs (the golden run of the sample
  // checks which).
  std::vector<std::string> inColumns = CrlfLines(plain.first), inLayout;
  const std::vector<std::string> rows = CrlfLines(run({"--order", "LAYOUT"}).first);
  for (const std::string& line : rows) {
    std::istringstream pieces(line);
    for (std::string piece; std::getline(pieces, piece, '\t');) inLayout.push_back(piece);
  }
  EXPECT_LT(rows.size(), inLayout.size());
  EXPECT_NE(inLayout, inColumns);
  std::sort(inColumns.begin(), inColumns.end());
  std::sort(inLayout.begin(), inLayout.end());
  EXPECT_EQ(inLayout, inColumns);

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

// The picture is decoded beside set-up, yet a set-up failure is still the one reported.
TEST_F(PipelineTest, UndecodableScreenshotEndsWithTwoUnlessSetUpFailed) {
  const fs::path shot = tmp_.path() / "notes.png";
  WriteFile(shot, "this is not a picture\n");
  ProgramResult r = RunOn(shot, {"--ep=cpu"});
  EXPECT_EQ(r.exitCode, 2);
  // The runtime may add lines of its own (under Wine it reports the graphics interfaces it lacks).
  EXPECT_TRUE(HasLine(r.err, "Image decoding failed: Failed to open image: " + shot.string())) << r.err;

  r = RunOn(shot, {"--ep=cpu"}, InstallWorkerCopy({}));
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
  const fs::path models = worker.parent_path() / "models";
  {
    // The orientation model the profile chooses, if it chooses one: the check comes to it after the other two.
    const std::string profile = ReadFile(models / "model_profile.txt");
    const std::string key = "\ncls_model = ";
    const size_t at = profile.find(key), from = at + key.size();
    const std::string name = at == std::string::npos ? "PP-LCNet_x1_0_textline_ori.onnx"
                                                     : profile.substr(from, profile.find('\n', from) - from);
    std::ofstream model(models / name, std::ios::binary | std::ios::app);
    model << "tampered";
  }
  const ProgramResult r = RunOn(Sample("blank.png"), {}, worker);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.starts_with("Model verification failed:\nModel hash ok: pp-ocrv5_server_det"))
      << r.err;
  EXPECT_NE(r.err.find(".onnx\nModel hash ok: pp-ocrv5_server_rec"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(".onnx\nModel hash mismatch: pp-lcnet_x1_0_textline_ori"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("\n  expected "), std::string::npos);
  EXPECT_NE(r.err.find("\n  actual   "), std::string::npos);
  EXPECT_EQ(r.err.find("ppocrv5_dict"), std::string::npos);  // the check stopped at the mismatch
  const std::string log = ReadFile(U8(Paths().logPath));
  EXPECT_TRUE(log.starts_with("Model hash ok: pp-ocrv5_server_det")) << log;
  EXPECT_NE(log.find("\r\nError: Model verification failed:\n"), std::string::npos);
}

TEST_F(PipelineTest, MissingOrTooOldRuntimeEndsWithThree) {
  ProgramResult r = RunOn(Sample("blank.png"), {}, InstallWorkerCopy({}));
  EXPECT_EQ(r.exitCode, 3);
  const fs::path library = tmp_.path() / "install" / "backend" / NativePath(kOrtLibraryFile);
  EXPECT_TRUE(r.err.starts_with("ONNX Runtime DLL initialization failed: Failed to load " + ToUtf8(kOrtLibraryFile) +
                                " from " + library.string() + " ("))
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
