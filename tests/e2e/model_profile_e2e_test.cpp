// The model profile beside the models: pinned and checked like them, and a broken one stops the run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/worker_fixture.h"
#include "platform/text.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

class ModelProfileTest : public PipelineTest {
 protected:
  // A worker copy with its own models folder; with a backend unless only the checks before it matter.
  fs::path Install(bool withBackend) {
    worker_ = InstallWorkerCopy(withBackend ? BinDir() / "backend" : fs::path{});
    return worker_;
  }
  fs::path Models() const { return worker_.parent_path() / "models"; }

  // The manifest without the profile's line.
  void Unpin() {
    std::istringstream in(ReadFile(Models() / "SHA256SUMS"));
    std::string kept;
    for (std::string line; std::getline(in, line);) {
      if (line.find("model_profile.txt") == std::string::npos) kept += line + "\n";
    }
    WriteFile(Models() / "SHA256SUMS", kept);
  }

  // Runs the copy on the blank sample and expects exit 3 with `line` in the console output and in
  // the failure report.
  void ExpectRejected(const std::string& line) {
    const ProgramResult r = RunOn(Sample("blank.png"), {"--ep=cpu"}, worker_);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(HasLine(r.err, line)) << r.err;
    const std::string report = ReadFile(ToUtf8(Paths().textPath));
    EXPECT_TRUE(report.starts_with("OCR Failed:\r\n")) << report;
    EXPECT_NE(report.find(line), std::string::npos) << report;
  }

  fs::path worker_;
};

TEST_F(ModelProfileTest, WithoutProfileOrItsEntryTheRunGoesOnWithNoProfile) {
  Install(true);
  fs::remove(Models() / "model_profile.txt");
  Unpin();
  const ProgramResult r = RunOn(Sample("blank.png"), {"--ep=cpu"}, worker_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string log = ReadFile(ToUtf8(Paths().logPath));
  EXPECT_EQ(log.find("model_profile.txt"), std::string::npos) << log;  // not checked, not noted
  EXPECT_EQ(log.find("Model profile"), std::string::npos) << log;  // the log holds what it always held
}

TEST_F(ModelProfileTest, APinnedProfileThatIsGoneOrChangedFailsTheCheck) {
  Install(false);
  std::ofstream(Models() / "model_profile.txt", std::ios::app) << "det_max_side = 960\n";
  ExpectRejected("Model hash mismatch: model_profile.txt");

  fs::remove(Models() / "model_profile.txt");
  ExpectRejected("Model hash check failed (unreadable file): model_profile.txt");
}

TEST_F(ModelProfileTest, ABrokenProfileEndsWithThreeNamingTheLineAndKey) {
  Install(false);
  Unpin();  // an unpinned profile is still read, as an unpinned model is still used
  WriteFile(Models() / "model_profile.txt", "# tuned\ncrop_margin_y = 0.15\ncls_theshold = 0.9\n");
  ExpectRejected("Model profile rejected: model_profile.txt line 3: unknown key \"cls_theshold\"");

  WriteFile(Models() / "model_profile.txt", "det_max_pixels = 99999999999\n");
  ExpectRejected("Model profile rejected: model_profile.txt line 1, key \"det_max_pixels\": value "
                 "\"99999999999\" is out of range (0 to 67108864)");

  WriteFile(Models() / "model_profile.txt", std::string("det_max_side = 1920\n\x89PNG\0\n", 26));
  ExpectRejected("Model profile rejected: model_profile.txt line 2: damaged (not UTF-8 text, or a control character)");
}

// A model file the profile names takes the place of the default one in the check and in the engine.
TEST_F(ModelProfileTest, AModelFileTheProfileNamesIsCheckedAndLoadedInsteadOfTheDefault) {
  Install(true);
  Unpin();
  fs::rename(Models() / "PP-OCRv5_server_det.onnx", Models() / "det_copy.onnx");
  WriteFile(Models() / "model_profile.txt", "det_model = det_copy.onnx\n");
  const ProgramResult unpinned = RunOn(Sample("blank.png"), {"--ep=cpu"}, worker_);
  ASSERT_EQ(unpinned.exitCode, 0) << unpinned.err;
  const std::string log = ReadFile(ToUtf8(Paths().logPath));
  EXPECT_NE(log.find("Unpinned model (no SHA256SUMS entry): det_copy.onnx"), std::string::npos) << log;
  EXPECT_EQ(log.find("pp-ocrv5_server_det.onnx"), std::string::npos) << log;
  std::ofstream(Models() / "SHA256SUMS", std::ios::app) << std::string(64, '0') << "  det_copy.onnx\n";
  ExpectRejected("Model hash mismatch: det_copy.onnx");
  fs::remove(Models() / "det_copy.onnx");
  ExpectRejected("Model hash check failed (unreadable file): det_copy.onnx");
}

// A deployment chooses the reading order in the profile; --order on the command line still wins.
TEST_F(ModelProfileTest, TheProfileChoosesTheReadingOrderUnlessTheCommandLineDoes) {
  Install(true);
  Unpin();
  const auto report = [&](const std::string& profile, std::vector<std::string> options) {
    WriteFile(Models() / "model_profile.txt", profile);
    options.push_back("--ep=cpu");
    EXPECT_EQ(RunOn(Sample("screen_1920x1080.png"), options, worker_).exitCode, 0);
    return ReadFile(ToUtf8(Paths().textPath));
  };
  const std::string columns = report("", {"--order=columns"});
  const std::string layout = report("", {"--order=layout"});
  ASSERT_NE(columns, layout);  // the sample tells the two orders apart
  EXPECT_EQ(report("reading_order = layout\n", {}), layout);
  EXPECT_EQ(report("reading_order = layout\n", {"--order=columns"}), columns);
}

}  // namespace
}  // namespace vesk::test
