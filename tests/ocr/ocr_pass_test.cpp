// The OCR pass: its retry on the CPU and its confirmation of turned lines against stand-in models,
// and what it reads with the shipped models and runtime.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"
#include "ocr/bundled_engine.h"
#include "ocr/fake_models.h"
#include "ocr/line_order.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_engine.h"
#include "ocr/text_detection.h"
#include "platform/text.h"
#include "support/known_text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::Failing;
using test::ModelOnDevice;
using test::Output;
using test::RunFunction;

const ModelOnDevice kDetDml{"det", Device::DirectMl};
const ModelOnDevice kDetCpu{"det", Device::Cpu};
const ModelOnDevice kRecDml{"rec", Device::DirectMl};
const ModelOnDevice kRecCpu{"rec", Device::Cpu};
const std::string kLost = "device removed";
const std::string kInjected = "Fault injection: --force-dml-fail=run";

std::string Retry(const std::string& error) { return "DML execution failed: " + error + "; retrying on CPU from Det"; }

struct PassCase {
  const char* name;
  ExecutionProvider provider;
  ForceDmlFail fault;
  std::vector<ModelOnDevice> refused;         // opens refused with "no adapter\n"
  std::map<ModelOnDevice, RunFunction> runs;  // models that fail or give what cannot be used
  bool ok;
  const char* ep;        // on success
  size_t lines;          // on success
  std::string fallback;  // on success
  std::string log;       // the pass's log; on failure its message
};

class PassRetryTest : public ::testing::TestWithParam<PassCase> {
 protected:
  test::ScopedTempDir dir_;
  ModelPaths paths_ = test::WriteFakeModels(dir_.path());
};

TEST_P(PassRetryTest, OnlyAFailedModelCallOnDirectMlUnderAutoIsRetriedOnTheCpu) {
  const PassCase& c = GetParam();
  test::FakeOpener opener;
  opener.parallelRuns = 2;  // the retry holds with calls side by side too
  for (const ModelOnDevice& model : c.refused) opener.refusals[model] = "no adapter\n";
  opener.runs = c.runs;
  OcrEngine engine(opener);
  EngineSettings settings;
  settings.provider = c.provider;
  settings.dmlFault = c.fault;
  ASSERT_TRUE(engine.Initialize(paths_, settings).ok());
  const size_t openedAtSetUp = opener.opened.size();

  const Outcome<OcrResult> result = engine.Recognize(test::BlankImage(), OcrOptions{});
  ASSERT_EQ(result.ok(), c.ok) << result.status().message();
  if (!c.ok) {
    EXPECT_EQ(result.status().message(), c.log);
    return;
  }
  EXPECT_EQ(result->ep, c.ep);
  EXPECT_EQ(result->fallback, c.fallback);
  EXPECT_EQ(result->log, c.log);
  EXPECT_EQ(result->lines.size(), c.lines);
  // A retry reopens detection and recognition on the CPU, and nothing else.
  const std::vector<ModelOnDevice> reopened(opener.opened.begin() + static_cast<std::ptrdiff_t>(openedAtSetUp),
                                            opener.opened.end());
  const std::vector<ModelOnDevice> none;
  const std::vector<ModelOnDevice> detectionAndRecognition{kDetCpu, kRecCpu};
  EXPECT_EQ(reopened, c.fallback.empty() ? none : detectionAndRecognition);
}

// A recognition output without the rows of its lines, and a detection map too small for its input.
Outcome<ModelOutput> NoRows(const InputShape&) { return Output({1}, {0.0f}); }

INSTANTIATE_TEST_SUITE_P(
    Faults, PassRetryTest,
    ::testing::Values(
        PassCase{"AutoOnDirectMl", ExecutionProvider::Auto, ForceDmlFail::None, {}, {}, true, "dml", 1, "", ""},
        PassCase{"AutoWithInjectedFault", ExecutionProvider::Auto, ForceDmlFail::Run, {}, {}, true, "cpu", 1,
                 Retry(kInjected), "Pipeline failed: " + kInjected + "\n" + Retry(kInjected) + "\n"},
        PassCase{"DmlWithInjectedFault", ExecutionProvider::Dml, ForceDmlFail::Run, {}, {}, false, "", 0, "",
                 "Pipeline failed: " + kInjected + "\n"},
        PassCase{"CpuWithInjectedFault", ExecutionProvider::Cpu, ForceDmlFail::Run, {}, {}, false, "", 0, "",
                 "Pipeline failed: " + kInjected + "\n"},
        PassCase{"AutoWithDetectionCallLost", ExecutionProvider::Auto, ForceDmlFail::None, {},
                 {{kDetDml, Failing(FailureKind::ModelCall, kLost)}}, true, "cpu", 1, Retry(kLost),
                 "Pipeline failed: " + kLost + "\n" + Retry(kLost) + "\n"},
        PassCase{"AutoWithRecognitionCallLost", ExecutionProvider::Auto, ForceDmlFail::None, {},
                 {{kRecDml, Failing(FailureKind::ModelCall, kLost)}}, true, "cpu", 1, Retry(kLost),
                 "Pipeline failed: " + kLost + "\n" + Retry(kLost) + "\n"},
        PassCase{"CpuWithDetectionCallLost", ExecutionProvider::Cpu, ForceDmlFail::None, {},
                 {{kDetCpu, Failing(FailureKind::ModelCall, kLost)}}, false, "", 0, "",
                 "Pipeline failed: " + kLost + "\n"},
        PassCase{"AutoWithDetectionLostEverywhere", ExecutionProvider::Auto, ForceDmlFail::None, {},
                 {{kDetDml, Failing(FailureKind::ModelCall, kLost)}, {kDetCpu, Failing(FailureKind::ModelCall, kLost)}},
                 false, "", 0, "",
                 "Pipeline failed: " + kLost + "\n" + Retry(kLost) + "\nCPU retry failed: " + kLost + "\n"},
        PassCase{"AutoWithCpuRebuildRefused", ExecutionProvider::Auto, ForceDmlFail::Run, {kDetCpu}, {}, false, "", 0, "",
                 "Pipeline failed: " + kInjected + "\n" + Retry(kInjected) +
                     "\nCPU session rebuild failed: no adapter\n\n"},
        PassCase{"SetUpFallbackBlocksTheRetry", ExecutionProvider::Auto, ForceDmlFail::Run, {kDetDml}, {}, false, "", 0, "",
                 "DML det session init failed: no adapter; Det and Rec run on CPU\nPipeline failed: " + kInjected +
                     "\n"},
        PassCase{"UnusableRecognitionOutputDropsTheLine", ExecutionProvider::Auto, ForceDmlFail::None, {},
                 {{kRecDml, NoRows}}, true, "dml", 0, "", ""},
        PassCase{"UnusableDetectionOutputIsFinal", ExecutionProvider::Auto, ForceDmlFail::None, {}, {{kDetDml, NoRows}},
                 false, "", 0, "",
                 "Pipeline failed: Unexpected detection output shape (expected [1, 1, H>=64, W>=128])\n"}),
    [](const ::testing::TestParamInfo<PassCase>& info) { return std::string(info.param.name); });

// Recognition that reads class `first` with probability `p` on its first call and class `second` with
// `q` on its second (the reading of the turned line as it stood), or fails that second call.
RunFunction TwoReadings(float p, Outcome<float> q) {
  auto calls = std::make_shared<int>(0);
  return [calls, p, q](const InputShape& shape) -> Outcome<ModelOutput> {
    const bool again = ++*calls > 1;
    if (again && !q.ok()) return q.status();
    const float probability = again ? *q : p;
    const int64_t cls = again ? 2 : 1;
    std::vector<float> values;
    for (int64_t c = 0; c < 3; ++c) values.push_back(c == cls ? probability : c == 0 ? 1.0f - probability : 0.0f);
    values.insert(values.end(), {1.0f, 0.0f, 0.0f});
    EXPECT_EQ(shape[0], 1);
    return Output({1, 2, 3}, std::move(values));
  };
}

// With confirmation on, a turn stands only when the line reads better by more than the margin turned.
TEST(ConfirmTurnedLinesTest, TheBetterReadingWinsAndAFailedCallFailsTheAttempt) {
  struct Case {
    Outcome<float> upright;
    bool ok;
    const char* text;
    int32_t orientation;
    float margin = 0.0f;
  };
  const Status unusable = Status::Failure(FailureKind::Recognition, "Unexpected recognition output shape");
  for (const Case& c : {Case{0.9f, true, "c1", 0}, Case{0.8f, true, "c1", 0}, Case{0.7f, true, "c0", 180},
                        Case{unusable, true, "c0", 180}, Case{0.7f, true, "c1", 0, 0.2f}, Case{0.5f, true, "c0", 180, 0.2f},
                        Case{Status::Failure(FailureKind::ModelCall, kLost), false, "", 0}}) {
    SCOPED_TRACE(c.text);
    test::ScopedTempDir dir;
    test::FakeOpener opener;
    opener.runs[{"cls", Device::Cpu}] = test::Turned(true);
    opener.runs[kRecCpu] = TwoReadings(0.8f, c.upright);
    OcrEngine engine(opener);
    EngineSettings settings;
    settings.provider = ExecutionProvider::Cpu;
    settings.profile.clsConfirm = true;
    settings.profile.clsConfirmMargin = c.margin;
    ASSERT_TRUE(engine.Initialize(test::WriteFakeModels(dir.path()), settings).ok());
    const Outcome<OcrResult> result = engine.Recognize(test::BlankImage(), OcrOptions{});
    ASSERT_EQ(result.ok(), c.ok) << result.status().message();
    if (!c.ok) {
      EXPECT_EQ(result.status().message(), "Pipeline failed: " + kLost + "\n");
      continue;
    }
    ASSERT_EQ(result->lines.size(), 1u);
    EXPECT_EQ(result->lines[0].text, c.text);
    EXPECT_EQ(result->lines[0].orientation, c.orientation);
  }
}

// A short line that read as nothing is cut again with the profile's other margins and read once more;
// a long one is not, and a failed second call fails the attempt.
TEST(ReadEmptyLinesAgainTest, OnlyShortEmptyLinesAreReadAgain) {
  struct Case {
    const char* name;
    int32_t width;  // of the screenshot: the fake line spans most of it and a third of its height
    std::vector<float> retryMargins;
    Outcome<float> second;
    size_t lines;
  };
  for (const Case& c : {Case{"short", 40, {0.05f}, 0.9f, 1}, Case{"no other margin", 40, {}, 0.9f, 0},
                        Case{"long", 128, {0.05f}, 0.9f, 0}, Case{"empty again", 40, {0.05f}, 0.0f, 0},
                        Case{"failed call", 40, {0.05f}, Status::Failure(FailureKind::ModelCall, kLost), 0}}) {
    SCOPED_TRACE(c.name);
    test::ScopedTempDir dir;
    test::FakeOpener opener;
    opener.runs[kRecCpu] = TwoReadings(0.0f, c.second);
    OcrEngine engine(opener);
    EngineSettings settings;
    settings.provider = ExecutionProvider::Cpu;
    settings.profile.cropRetryMarginsX = c.retryMargins;
    ASSERT_TRUE(engine.Initialize(test::WriteFakeModels(dir.path()), settings).ok());
    const Outcome<OcrResult> result = engine.Recognize(test::BlankImage(c.width, 64), OcrOptions{});
    ASSERT_EQ(result.ok(), c.second.ok()) << result.status().message();
    if (!result.ok()) {
      EXPECT_EQ(result.status().message(), "Pipeline failed: " + kLost + "\n");
      continue;
    }
    ASSERT_EQ(result->lines.size(), c.lines);
    if (c.lines > 0) {
      EXPECT_EQ(result->lines[0].text, "c1");
    }
  }
}

std::u16string U16(const std::filesystem::path& path) { return FromUtf8(path.string()); }

DecodedImage LoadSample(const std::string& name) {
  Outcome<DecodedImage> image = DecodeImage(U16(test::TestDataDir() / "samples" / (name + ".png")));
  EXPECT_TRUE(image.ok()) << image.status().message();
  return image.ok() ? std::move(*image) : DecodedImage{};
}

void ExpectConsecutiveIndices(const std::vector<OcrLine>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i].index, static_cast<int32_t>(i));
}

OcrOptions Options(bool classifyOrientation, ReadingOrder order = ReadingOrder::Columns) {
  OcrOptions options;
  options.classifyOrientation = classifyOrientation;
  options.order = order;
  return options;
}

constexpr size_t kNoTurn = static_cast<size_t>(-1);

// Reads the sample and checks its lines against the known text: in order, consecutive indices, the
// line at `turned` turned over and no other.
std::vector<OcrLine> ExpectKnownText(OcrEngine& engine, const std::string& name, const OcrOptions& options,
                                     size_t turned = kNoTurn) {
  SCOPED_TRACE(name);
  const std::vector<std::string> expected = test::KnownLines(name);
  const Outcome<OcrResult> result = engine.Recognize(LoadSample(name), options);
  EXPECT_TRUE(result.ok()) << result.status().message();
  if (!result.ok()) return {};
  EXPECT_EQ(result->ep, "cpu");
  EXPECT_EQ(result->fallback, "");
  EXPECT_EQ(result->log, "");
  ExpectConsecutiveIndices(result->lines);
  EXPECT_EQ(result->lines.size(), expected.size());
  for (size_t i = 0; i < std::min(expected.size(), result->lines.size()); ++i) {
    test::ExpectCloseText(result->lines[i].text, expected[i]);
    EXPECT_EQ(result->lines[i].orientation, i == turned ? 180 : 0) << i;
  }
  return result->lines;
}

class OcrPassTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(test::InitializeBundledCpuEngine(engine_)); }
  OcrEngine engine_;
};

TEST_F(OcrPassTest, SamplesReadAsTheirKnownTextInReadingOrder) {
  for (const std::string name : {"dialog", "two_columns", "qr_and_text", "blank"}) {
    const DecodedImage image = LoadSample(name);
    for (const OcrLine& line : ExpectKnownText(engine_, name, Options(false))) {
      EXPECT_GT(line.score, 0.5f);
      EXPECT_LE(line.score, 1.0f);
      for (const IntPoint& corner : line.box) {
        EXPECT_TRUE(corner.x >= 0 && corner.x <= image.width && corner.y >= 0 && corner.y <= image.height);
      }
      EXPECT_LT(line.box[0].x, line.box[1].x);  // top-left left of top-right
      EXPECT_LT(line.box[0].y, line.box[3].y);  // top-left above bottom-left
    }
  }
}

// Title, tool bar, sidebar, document, status bar: the sample's known text is in that order.
TEST_F(OcrPassTest, LayoutOrderReadsTheDesktopAsAPersonDoes) {
  ExpectKnownText(engine_, "screen_1920x1080", Options(false, ReadingOrder::Layout));
}

// upside_down.rotated.txt names line 2.
TEST_F(OcrPassTest, UpsideDownLineIsTurnedOverOnlyWithOrientationOn) {
  ExpectKnownText(engine_, "upside_down", Options(true), 2);
  const Outcome<OcrResult> upright = engine_.Recognize(LoadSample("upside_down"), Options(false));
  ASSERT_TRUE(upright.ok());
  for (const OcrLine& line : upright->lines) EXPECT_EQ(line.orientation, 0);
}

// The profile the set-up writes for the shipped models reads the samples at least as well, its
// orientation settings turn only the upside-down line, and its polish leaves no spaces at the ends.
TEST(ShippedProfileTest, ReadsTheSamplesAndTurnsOnlyTheUpsideDownLine) {
  const Outcome<ModelProfile> profile = LoadModelProfile(U16(test::BinDir() / "models"));
  ASSERT_TRUE(profile.ok()) << profile.status().message();
  ASSERT_FALSE(profile->name.empty());
  OcrEngine engine;
  ASSERT_NO_FATAL_FAILURE(test::InitializeBundledCpuEngine(engine, *profile));
  for (const std::string name : {"upside_down", "dialog", "two_columns"}) {
    for (const OcrLine& line : ExpectKnownText(engine, name, Options(true), name == "upside_down" ? 2 : kNoTurn)) {
      EXPECT_NE(line.text.front(), ' ');
      EXPECT_NE(line.text.back(), ' ');
    }
  }
}

TEST_F(OcrPassTest, DetectionBoxesLieInTheScreenshotAtAnyScale) {
  TextDetector detector(test::BundledModel(test::BundledModelPaths().det, TextDetector::kDefaultOutput), {}, nullptr);
  const DecodedImage image = LoadSample("two_columns");  // 1280 x 800: scaled to 960 by default
  Outcome<std::vector<DetBox>> full = detector.DetectText(image, 4096);
  Outcome<std::vector<DetBox>> half = detector.DetectText(image, 640);
  ASSERT_TRUE(full.ok() && half.ok());
  ASSERT_EQ(full->size(), test::KnownLines("two_columns").size());
  ASSERT_EQ(half->size(), full->size());
  // Raster order may differ between scales for lines that start on nearly the same row.
  const std::vector<DetBox> a = OrderBoxes(*full);
  const std::vector<DetBox> b = OrderBoxes(*half);
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_GE(a[i].score, 0.6f);
    for (size_t k = 0; k < 4; ++k) {
      EXPECT_TRUE(a[i].points[k].x >= 0.0f && a[i].points[k].x <= 1280.0f);
      EXPECT_TRUE(a[i].points[k].y >= 0.0f && a[i].points[k].y <= 800.0f);
      // Mapped back to screenshot pixels, the coarser pass finds the same lines.
      EXPECT_NEAR(b[i].points[k].x, a[i].points[k].x, 6.0f) << i << "/" << k;
      EXPECT_NEAR(b[i].points[k].y, a[i].points[k].y, 6.0f) << i << "/" << k;
    }
  }
}

}  // namespace
}  // namespace vesk
