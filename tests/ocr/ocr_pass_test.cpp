// The OCR pass and its model-calling steps against the shipped models and runtime library.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image_decoder.h"
#include "ocr/bundled_engine.h"
#include "ocr/line_order.h"
#include "ocr/line_orientation.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_engine.h"
#include "ocr/text_detection.h"
#include "ocr/text_recognition.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/known_text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

constexpr int32_t kDefaultMaxSide = 4096;
const std::string kSimulatedRunFailure = "Fault injection: --force-dml-fail=run";

OcrOptions Options(bool classifyOrientation, bool simulateDmlRunFailure) {
  OcrOptions options;
  options.classifyOrientation = classifyOrientation;
  options.maxSide = kDefaultMaxSide;
  options.simulateDmlRunFailure = simulateDmlRunFailure;
  return options;
}

std::u16string U16(const std::filesystem::path& path) { return FromUtf8(path.string()); }

std::filesystem::path SamplePath(const std::string& name) { return test::TestDataDir() / "samples" / name; }

DecodedImage LoadSample(const std::string& name) {
  Outcome<DecodedImage> image = DecodeImage(U16(SamplePath(name + ".png")));
  EXPECT_TRUE(image.ok()) << image.status().message();
  return image.ok() ? std::move(*image) : DecodedImage{};
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

void ExpectConsecutiveIndices(const std::vector<OcrLine>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].index, static_cast<int32_t>(i));
}

class OcrPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(test::InitializeBundledCpuEngine(engine_));
  }

  // Makes the CPU engine look like one whose detection and recognition run on DirectML.
  void PretendDirectMl(ExecutionProvider provider) {
    engine_.useDml = true;
    engine_.ep = provider;
  }

  OcrEngine engine_;
};

TEST_F(OcrPassTest, SamplesReadAsTheirKnownTextInReadingOrder) {
  for (const std::string name : {"dialog", "two_columns", "qr_and_text"}) {
    SCOPED_TRACE(name);
    const DecodedImage image = LoadSample(name);
    const std::vector<std::string> expected = test::KnownLines(name);
    OcrResult result;
    ASSERT_TRUE(engine_.Recognize(image, Options(false, false), result)) << result.log;
    EXPECT_EQ(result.ep, "cpu");
    EXPECT_EQ(result.fallback, "");
    EXPECT_EQ(result.log, "");
    ExpectConsecutiveIndices(result.lines);
    ASSERT_EQ(result.lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      const OcrLine& line = result.lines[i];
      test::ExpectCloseText(line.text, expected[i]);
      EXPECT_EQ(line.orientation, 0);
      EXPECT_GT(line.score, 0.5f);
      EXPECT_LE(line.score, 1.0f);
      for (const IntPoint& corner : line.box) {
        EXPECT_GE(corner.x, 0);
        EXPECT_LE(corner.x, image.width);
        EXPECT_GE(corner.y, 0);
        EXPECT_LE(corner.y, image.height);
      }
      EXPECT_LT(line.box[0].x, line.box[1].x);  // top-left left of top-right
      EXPECT_LT(line.box[0].y, line.box[3].y);  // top-left above bottom-left
    }
  }
}

TEST_F(OcrPassTest, LayoutOrderReadsTheDesktopAsAPersonDoes) {
  // Title, tool bar, sidebar, document, status bar: the sample's known text is in that order.
  const std::vector<std::string> expected = test::KnownLines("screen_1920x1080");
  OcrOptions options = Options(false, false);
  options.order = ReadingOrder::Layout;
  OcrResult result;
  ASSERT_TRUE(engine_.Recognize(LoadSample("screen_1920x1080"), options, result)) << result.log;
  ExpectConsecutiveIndices(result.lines);
  ASSERT_EQ(result.lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) test::ExpectCloseText(result.lines[i].text, expected[i]);
}

TEST_F(OcrPassTest, UpsideDownLineIsTurnedOverOnlyWithOrientationOn) {
  const DecodedImage image = LoadSample("upside_down");
  const std::vector<std::string> expected = test::KnownLines("upside_down");
  const size_t turned = 2;  // the index given by upside_down.rotated.txt

  OcrResult result;
  ASSERT_TRUE(engine_.Recognize(image, Options(true, false), result)) << result.log;
  ASSERT_EQ(result.lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(result.lines[i].orientation, i == turned ? 180 : 0) << i;
    test::ExpectCloseText(result.lines[i].text, expected[i]);
  }

  OcrResult upright;
  ASSERT_TRUE(engine_.Recognize(image, Options(false, false), upright)) << upright.log;
  ExpectConsecutiveIndices(upright.lines);
  for (const OcrLine& line : upright.lines) EXPECT_EQ(line.orientation, 0);
}

// The profile the set-up writes for the shipped models reads the samples at least as well, and its
// orientation settings turn only the upside-down line.
TEST_F(OcrPassTest, ShippedProfileReadsTheSamplesAndTurnsOnlyTheUpsideDownLine) {
  std::string error;
  ASSERT_EQ(LoadModelProfile(U16(test::BinDir() / "models"), engine_.profile, error), ProfileLoad::Loaded) << error;
  for (const std::string name : {"upside_down", "dialog", "two_columns"}) {
    SCOPED_TRACE(name);
    const std::vector<std::string> expected = test::KnownLines(name);
    const size_t turned = name == "upside_down" ? 2 : expected.size();
    OcrResult result;
    ASSERT_TRUE(engine_.Recognize(LoadSample(name), Options(true, false), result)) << result.log;
    ExpectConsecutiveIndices(result.lines);
    ASSERT_EQ(result.lines.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(result.lines[i].orientation, i == turned ? 180 : 0) << i;
      test::ExpectCloseText(result.lines[i].text, expected[i]);
      EXPECT_EQ(result.lines[i].text, std::string(Trimmed(result.lines[i].text)));
    }
  }
}

TEST_F(OcrPassTest, PictureWithoutTextGivesNoLines) {
  OcrResult result;
  EXPECT_TRUE(engine_.Recognize(LoadSample("blank"), Options(true, false), result));
  EXPECT_TRUE(result.lines.empty());
  EXPECT_EQ(result.log, "");
}

TEST_F(OcrPassTest, SimulatedRunFailureOnTheCpuIsFinal) {
  OcrResult result;
  EXPECT_FALSE(engine_.Recognize(LoadSample("dialog"), Options(false, true), result));
  EXPECT_EQ(result.log, "Pipeline failed: " + kSimulatedRunFailure + "\n");
  EXPECT_EQ(result.ep, "cpu");
  EXPECT_EQ(result.fallback, "");
}

TEST_F(OcrPassTest, SimulatedRunFailureOnDirectMlUnderAutoIsRetriedOnTheCpu) {
  PretendDirectMl(ExecutionProvider::Auto);
  OcrResult result;
  ASSERT_TRUE(engine_.Recognize(LoadSample("dialog"), Options(false, true), result)) << result.log;
  const std::string fallback = "DML execution failed: " + kSimulatedRunFailure + "; retrying on CPU from Det";
  EXPECT_EQ(result.ep, "cpu");
  EXPECT_EQ(result.fallback, fallback);
  EXPECT_EQ(result.log, "Pipeline failed: " + kSimulatedRunFailure + "\n" + fallback + "\n");
  EXPECT_EQ(result.lines.size(), test::KnownLines("dialog").size());
  ExpectConsecutiveIndices(result.lines);
  EXPECT_FALSE(engine_.useDml);
  EXPECT_TRUE(engine_.det.loaded());
  EXPECT_TRUE(engine_.rec.loaded());
}

TEST_F(OcrPassTest, SimulatedRunFailureUnderDmlIsNotRetried) {
  PretendDirectMl(ExecutionProvider::Dml);
  OcrResult result;
  EXPECT_FALSE(engine_.Recognize(LoadSample("dialog"), Options(false, true), result));
  EXPECT_EQ(result.ep, "dml");
  EXPECT_EQ(result.log, "Pipeline failed: " + kSimulatedRunFailure + "\n");
  EXPECT_EQ(result.fallback, "");
  EXPECT_TRUE(engine_.useDml);
}

TEST_F(OcrPassTest, SetUpFallbackNoteIsCarriedAndBlocksTheRetry) {
  const std::string note = "DML det session init failed: Fault injection: force_dml_fail_init simulated; Det and "
                           "Rec run on CPU";
  engine_.fallbackNote = note;
  const DecodedImage image = LoadSample("dialog");

  OcrResult result;
  ASSERT_TRUE(engine_.Recognize(image, Options(false, false), result));
  EXPECT_EQ(result.fallback, note);
  EXPECT_EQ(result.log, note + "\n");
  EXPECT_FALSE(result.lines.empty());

  OcrResult failed;
  EXPECT_FALSE(engine_.Recognize(image, Options(false, true), failed));
  EXPECT_EQ(failed.fallback, note);
  EXPECT_EQ(failed.log, note + "\n" + "Pipeline failed: " + kSimulatedRunFailure + "\n");
}

TEST_F(OcrPassTest, FailedRecognitionCallOnDirectMlIsRetriedWithFreshSessions) {
  // A recognition session asked for an input it does not have fails inside the runtime, as a
  // broken GPU run would; the CPU rebuild reopens it with its real names.
  PretendDirectMl(ExecutionProvider::Auto);
  engine_.rec.inputNames = {"no_such_input"};
  OcrResult result;
  ASSERT_TRUE(engine_.Recognize(LoadSample("dialog"), Options(false, false), result)) << result.log;
  EXPECT_EQ(result.ep, "cpu");
  EXPECT_EQ(result.fallback.rfind("DML execution failed: ", 0), 0u) << result.fallback;
  EXPECT_NE(result.fallback.find("; retrying on CPU from Det"), std::string::npos);
  EXPECT_EQ(result.log.rfind("Pipeline failed: ", 0), 0u) << result.log;
  EXPECT_EQ(result.lines.size(), test::KnownLines("dialog").size());
}

TEST_F(OcrPassTest, FailedModelCallOnTheCpuFailsThePass) {
  engine_.det.inputNames = {"no_such_input"};
  OcrResult result;
  EXPECT_FALSE(engine_.Recognize(LoadSample("dialog"), Options(false, false), result));
  EXPECT_EQ(result.log.rfind("Pipeline failed: ", 0), 0u) << result.log;
  EXPECT_GT(result.log.size(), std::string("Pipeline failed: \n").size());
  EXPECT_EQ(result.fallback, "");
}

TEST_F(OcrPassTest, UnusableRecognitionOutputDropsLinesButThePassSucceeds) {
  // Too short a dictionary for the model: every line fails its check, no model call failed.
  engine_.dictionary.resize(100);
  OcrResult result;
  EXPECT_TRUE(engine_.Recognize(LoadSample("dialog"), Options(false, false), result)) << result.log;
  EXPECT_TRUE(result.lines.empty());
}

TEST_F(OcrPassTest, DetectionBoxesLieInTheScreenshotAtAnyScale) {
  const DecodedImage image = LoadSample("two_columns");  // 1280 x 800: scaled to 960 by default
  std::vector<DetBox> full, half;
  std::string error;
  bool runFailed = false;
  ASSERT_TRUE(DetectText(engine_, image, kDefaultMaxSide, full, error, runFailed)) << error;
  ASSERT_TRUE(DetectText(engine_, image, 640, half, error, runFailed)) << error;
  EXPECT_FALSE(runFailed);
  ASSERT_EQ(full.size(), test::KnownLines("two_columns").size());
  ASSERT_EQ(half.size(), full.size());
  // Raster order may differ between scales for lines that start on nearly the same row.
  full = OrderBoxes(full);
  half = OrderBoxes(half);
  for (size_t i = 0; i < full.size(); ++i) {
    EXPECT_GE(full[i].score, 0.6f);
    for (size_t k = 0; k < 4; ++k) {
      EXPECT_GE(full[i].points[k].x, 0.0f);
      EXPECT_LE(full[i].points[k].x, 1280.0f);
      EXPECT_GE(full[i].points[k].y, 0.0f);
      EXPECT_LE(full[i].points[k].y, 800.0f);
      // Mapped back to screenshot pixels, the coarser pass finds the same lines.
      EXPECT_NEAR(half[i].points[k].x, full[i].points[k].x, 6.0f) << i << "/" << k;
      EXPECT_NEAR(half[i].points[k].y, full[i].points[k].y, 6.0f) << i << "/" << k;
    }
  }
}

TEST_F(OcrPassTest, DetectionRejectsAnEmptyImageOrSessionAndSkipsVanishingStrips) {
  std::vector<DetBox> boxes{DetBox{}};
  std::string error;
  bool runFailed = false;
  EXPECT_FALSE(DetectText(engine_, DecodedImage{}, kDefaultMaxSide, boxes, error, runFailed));
  EXPECT_EQ(error, "Invalid image or detection session");
  EXPECT_TRUE(boxes.empty());

  // 4000 x 1 scales to 960 x 0.
  DecodedImage strip;
  strip.width = 4000;
  strip.height = 1;
  strip.pixels.assign(4000 * 3, 0);
  error.clear();
  EXPECT_TRUE(DetectText(engine_, strip, kDefaultMaxSide, boxes, error, runFailed));
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(error, "");

  engine_.det.Reset();
  EXPECT_FALSE(DetectText(engine_, LoadSample("blank"), kDefaultMaxSide, boxes, error, runFailed));
  EXPECT_EQ(error, "Invalid image or detection session");
  EXPECT_FALSE(runFailed);
}

TEST_F(OcrPassTest, RecognitionChecksItsInputAndTheDictionarySize) {
  std::string text = "stale", error;
  float score = 1.0f;
  bool runFailed = false;
  EXPECT_FALSE(RecognizeLine(engine_, DecodedImage{}, text, score, error, runFailed));
  EXPECT_EQ(error, "Invalid line crop or Rec session");
  EXPECT_EQ(text, "");
  EXPECT_EQ(score, 0.0f);

  // Far taller than wide: nothing is resampled into the tensor, and the model still runs.
  DecodedImage tall;
  tall.width = 4;
  tall.height = 1000;
  tall.pixels.assign(4 * 1000 * 3, 255);
  EXPECT_TRUE(RecognizeLine(engine_, tall, text, score, error, runFailed)) << error;

  // The model has 6625 classes: one more than the dictionary's entries passes, two more fail.
  engine_.dictionary.resize(6624);
  EXPECT_TRUE(RecognizeLine(engine_, tall, text, score, error, runFailed)) << error;
  engine_.dictionary.resize(6623);
  EXPECT_FALSE(RecognizeLine(engine_, tall, text, score, error, runFailed));
  EXPECT_EQ(error, "Dictionary/model mismatch: model emits 6625 classes, dictionary has 6623 entries (blank "
                   "included)");
  EXPECT_FALSE(runFailed);
}

TEST_F(OcrPassTest, OrientationWithoutSessionAnswersZeroAndLeavesTheCrop) {
  DecodedImage crop;
  crop.width = 3;
  crop.height = 1;
  crop.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::vector<uint8_t> before = crop.pixels;
  engine_.cls.Reset();
  EXPECT_EQ(ClassifyOrientation(engine_, crop), 0);
  EXPECT_EQ(crop.pixels, before);

  OcrResult result;
  ASSERT_TRUE(engine_.Recognize(LoadSample("upside_down"), Options(true, false), result));
  for (const OcrLine& line : result.lines) EXPECT_EQ(line.orientation, 0);
}

}  // namespace
}  // namespace vesk
