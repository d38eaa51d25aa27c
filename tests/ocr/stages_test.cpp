// Each stage on its own, against stand-in models: what it sends to its model and what it makes of
// every kind of answer.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ocr/fake_models.h"
#include "ocr/line_crop.h"
#include "ocr/line_orientation.h"
#include "ocr/side_by_side.h"
#include "ocr/text_detection.h"
#include "ocr/text_recognition.h"

namespace vesk {
namespace {

using test::Failing;
using test::Output;
using test::RunFunction;

// A stand-in model that counts its calls and remembers the shape of the last input.
struct Counted {
  int calls = 0;
  InputShape last{};
  std::unique_ptr<Model> Make(RunFunction run) {
    return std::make_unique<test::FakeModel>([this, run](const InputShape& shape) {
      ++calls;
      last = shape;
      return run(shape);
    });
  }
};

const RunFunction kLost = Failing(FailureKind::ModelCall, "device removed");
const RunFunction kNoTensor = Failing(FailureKind::Recognition, "Failed to create the input tensor");

Outcome<ModelOutput> NoValue(const InputShape&) { return ModelOutput(); }
Outcome<ModelOutput> NoShape(const InputShape&) { return ModelOutput(std::nullopt, nullptr, nullptr); }
RunFunction NoData(std::vector<int64_t> shape) {
  return [shape](const InputShape&) -> Outcome<ModelOutput> { return ModelOutput(shape, nullptr, nullptr); };
}

struct FailureCase {
  RunFunction run;
  FailureKind kind;
  std::string message;
};

TEST(TextDetectorTest, EveryFailureIsToldAndOnlyAFailedCallAsSuch) {
  const std::vector<FailureCase> cases{
      {kLost, FailureKind::ModelCall, "device removed"},
      {kNoTensor, FailureKind::Recognition, "Failed to create Det input tensor"},
      {NoValue, FailureKind::Recognition, "Detection produced no output tensor"},
      {NoShape, FailureKind::Recognition, "Unexpected detection output shape (expected [1, 1, H>=64, W>=128])"},
      {NoData({1, 1, 64, 128}), FailureKind::Recognition, "Failed to read the detection probability map"}};
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.message);
    TextDetector detector(std::make_unique<test::FakeModel>(c.run), {}, nullptr);
    const Outcome<std::vector<DetBox>> boxes = detector.DetectText(test::BlankImage(), 4096);
    EXPECT_EQ(boxes.status().kind(), c.kind);
    EXPECT_EQ(boxes.status().message(), c.message);
  }
}

TEST(TextDetectorTest, FindsTheLineInThePaddedInputAndSkipsWhatScalesToNothing) {
  Counted model;
  TextDetector detector(model.Make(test::OneLineMap), {}, nullptr);
  const Outcome<std::vector<DetBox>> boxes = detector.DetectText(test::BlankImage(100, 50), 4096);
  ASSERT_TRUE(boxes.ok());
  EXPECT_EQ(model.last, (InputShape{1, 3, 64, 128}));  // padded to multiples of 64
  ASSERT_EQ(boxes->size(), 1u);
  for (const Point2f& p : (*boxes)[0].points) EXPECT_TRUE(p.x >= 0 && p.x <= 100 && p.y >= 0 && p.y <= 50);

  // 4000 x 1 scales to 960 x 0: no model call, no box.
  const Outcome<std::vector<DetBox>> strip = detector.DetectText(test::BlankImage(4000, 1), 4096);
  EXPECT_TRUE(strip.ok() && strip->empty());
  EXPECT_EQ(model.calls, 1);

  EXPECT_EQ(detector.DetectText(DecodedImage{}, 4096).status().message(), "Invalid image or detection session");
  EXPECT_EQ(TextDetector().DetectText(test::BlankImage(), 4096).status().message(),
            "Invalid image or detection session");
}

TEST(LineRecognizerTest, EveryFailureIsToldAndOnlyAFailedCallAsSuch) {
  const Dictionary dictionary{"", "a", " "};
  const std::vector<FailureCase> cases{
      {kLost, FailureKind::ModelCall, "device removed"},
      {kNoTensor, FailureKind::Recognition, "Failed to create Rec input tensor"},
      {NoValue, FailureKind::Recognition, "Recognition produced no output tensor"},
      {NoShape, FailureKind::Recognition, "Failed to inspect the recognition output tensor"},
      {NoData({1, 2, 0}), FailureKind::Recognition, "Unexpected recognition output shape (expected [1, T, C])"},
      {NoData({1, 2, 4}), FailureKind::Recognition, "Failed to read the recognition output tensor"},
      // The model may emit one class more than the dictionary holds, not two.
      {test::FirstClass(5), FailureKind::Recognition,
       "Dictionary/model mismatch: model emits 5 classes, dictionary has 3 entries (blank included)"}};
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.message);
    LineRecognizer recognizer(std::make_unique<test::FakeModel>(c.run), dictionary, {}, nullptr);
    const Outcome<LineReading> reading = recognizer.RecognizeLine(test::BlankImage(100, 20));
    EXPECT_EQ(reading.status().kind(), c.kind);
    EXPECT_EQ(reading.status().message(), c.message);
  }
  LineRecognizer fits(std::make_unique<test::FakeModel>(test::FirstClass(4)), dictionary, {}, nullptr);
  const Outcome<LineReading> reading = fits.RecognizeLine(test::BlankImage(100, 20));
  ASSERT_TRUE(reading.ok());
  EXPECT_EQ(reading->text, "a");
  EXPECT_FLOAT_EQ(reading->score, 1.0f);
}

// A failed shared call is the failure of each of its lines, so the pass's retry rules see every one;
// a crop that cannot be read fails alone and costs no call.
TEST(LineRecognizerTest, SharedCallFailsEachOfItsLinesAndAnEmptyCropFailsAlone) {
  const Dictionary dictionary{"", "a", " "};
  Counted model;
  LineRecognizer recognizer(model.Make(kLost), dictionary, {}, nullptr);
  const DecodedImage line = test::BlankImage(100, 20);
  const DecodedImage empty;
  const std::vector<Outcome<LineReading>> readings = recognizer.RecognizeLines({&line, &empty, &line}, BatchSettings{});
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_EQ(model.calls, 1);
  EXPECT_EQ(model.last, (InputShape{2, 3, 48, 320}));
  EXPECT_EQ(readings[0].status().message(), "device removed");
  EXPECT_EQ(readings[1].status().message(), "Invalid line crop or Rec session");
  EXPECT_EQ(readings[1].status().kind(), FailureKind::Recognition);
  EXPECT_EQ(readings[2].status().kind(), FailureKind::ModelCall);
  EXPECT_EQ(LineRecognizer().RecognizeLine(line).status().message(), "Invalid line crop or Rec session");
}

// With a width step, a line is padded to the next multiple of the step instead of the next bucket.
TEST(LineRecognizerTest, AWidthStepPadsALineToTheNextMultipleOfTheStep) {
  const Dictionary dictionary{"", "a", " "};
  Counted model;
  LineRecognizer recognizer(model.Make(test::FirstClass(3)), dictionary, {.widthStep = 80}, nullptr);
  const std::pair<int32_t, int64_t> cases[] = {{5, 80}, {100, 240}, {101, 320}, {2000, 3200}};  // width, input
  for (const auto& [width, input] : cases) {
    ASSERT_TRUE(recognizer.RecognizeLine(test::BlankImage(width, 20)).ok());
    EXPECT_EQ(model.last, (InputShape{1, 3, 48, input})) << width;
  }
}

DecodedImage Numbered(int32_t width, int32_t height) {
  DecodedImage image = test::BlankImage(width, height);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i);
  return image;
}

// Orientation never costs a line: without a model, or when the call fails, every crop stays upright.
TEST(OrientationClassifierTest, TurnsOverWhatTheModelIsSureOfAndNothingOnFailure) {
  struct Case {
    RunFunction run;
    OrientationSettings settings;
    int expected;
  };
  const std::vector<Case> cases{{test::Turned(true), {}, 180},
                                {test::Turned(false), {}, 0},
                                {kLost, {}, 0},
                                {NoData({1, 2}), {}, 0},
                                {test::Turned(true), {.threshold = 0.95f}, 0},   // 0.9 is not sure enough
                                {test::Turned(true), {.minAspect = 6.0f}, 0}};  // 100 x 20 is too short
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    OrientationClassifier classifier(std::make_unique<test::FakeModel>(cases[i].run), cases[i].settings, nullptr);
    DecodedImage crop = Numbered(100, 20);
    DecodedImage expected = crop;
    if (cases[i].expected == 180) Rotate180(expected);
    EXPECT_EQ(classifier.ClassifyOrientation(crop), cases[i].expected);
    EXPECT_EQ(crop.pixels, expected.pixels);
  }
  DecodedImage crop = Numbered(100, 20);
  EXPECT_EQ(OrientationClassifier().ClassifyOrientation(crop), 0);
}

TEST(OrientationClassifierTest, BatchesShareCallsAndEachAngleKeepsItsCrop) {
  Counted model;
  // Within each call, the second line is upside down.
  OrientationClassifier classifier(model.Make([](const InputShape& shape) -> Outcome<ModelOutput> {
                                     std::vector<float> values;
                                     for (int64_t i = 0; i < shape[0]; ++i) {
                                       values.insert(values.end(), {i == 1 ? 0.1f : 0.9f, i == 1 ? 0.9f : 0.1f});
                                     }
                                     return Output({shape[0], 2}, std::move(values));
                                   }),
                                   {}, nullptr);
  std::vector<DecodedImage> crops(5, Numbered(100, 20));
  std::vector<DecodedImage*> pointers;
  for (DecodedImage& crop : crops) pointers.push_back(&crop);
  EXPECT_EQ(classifier.ClassifyOrientations(pointers, 2), (std::vector<int>{0, 180, 0, 180, 0}));
  EXPECT_EQ(model.calls, 3);
  EXPECT_EQ(model.last, (InputShape{1, 3, 48, 192}));
}

// Calls side by side give every line what calls one at a time give it: its text and score, its failure,
// its turn. A call that throws reaches the caller instead of ending the process from another thread.
TEST(SideBySideTest, LinesReadAndJudgedSideBySideAsOneCallAtATime) {
  const Dictionary dictionary{"", "a", "b", "c", " "};
  const RunFunction read = [](const InputShape& shape) -> Outcome<ModelOutput> {  // a class told by the width
    if (shape[3] == 640) return Status::Failure(FailureKind::ModelCall, "lost at 640");
    std::vector<float> values;
    for (int64_t i = 0; i < shape[0] * 5; ++i) values.push_back(i % 5 == 1 + shape[3] / 160 % 3 ? 0.5f : 0.1f);
    return Output({shape[0], 1, 5}, std::move(values));
  };
  std::vector<std::string> results;
  for (int32_t lanes : {1, 2}) {
    std::vector<DecodedImage> crops;
    for (int32_t i = 0; i < 24; ++i) crops.push_back(Numbered(30 + 55 * i, 20));  // inputs 160 to 3200 wide
    std::vector<DecodedImage*> pointers;
    for (DecodedImage& crop : crops) pointers.push_back(&crop);
    OrientationClassifier classifier(std::make_unique<test::FakeModel>(test::Turned(true), lanes), {}, nullptr);
    const std::vector<int> angles = classifier.ClassifyOrientations(pointers, 2);
    LineRecognizer recognizer(std::make_unique<test::FakeModel>(read, lanes), dictionary, {}, nullptr);
    const auto readings = recognizer.RecognizeLines({pointers.begin(), pointers.end()}, {.recognitionBatch = 3});
    std::string& result = results.emplace_back();
    for (size_t i = 0; i < readings.size(); ++i) {
      result += (readings[i].ok() ? readings[i]->text : readings[i].status().message()) + std::to_string(angles[i]);
      result.append(crops[i].pixels.begin(), crops[i].pixels.end());
    }
  }
  EXPECT_EQ(results[1], results[0]);
  EXPECT_THROW(RunSideBySide(40, 2, [](size_t k) { if (k == 5) throw std::runtime_error("five"); }),
               std::runtime_error);
}

}  // namespace
}  // namespace vesk
