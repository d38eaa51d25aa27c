// Lines that share a model call read exactly as they do one by one, and every reading keeps its line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"
#include "ocr/bundled_engine.h"
#include "ocr/line_crop.h"
#include "ocr/line_order.h"
#include "ocr/ocr_engine.h"
#include "ocr/text_detection.h"
#include "ocr/text_recognition.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

std::u16string U16(const std::filesystem::path& path) { return FromUtf8(path.string()); }

DecodedImage LoadSample(const std::string& name) {
  Outcome<DecodedImage> image = DecodeImage(U16(test::TestDataDir() / "samples" / (name + ".png")));
  EXPECT_TRUE(image.ok()) << image.status().message();
  return image.ok() ? std::move(*image) : DecodedImage{};
}

class BatchedRecognitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(test::InitializeBundledCpuEngine(engine_));
  }

  std::vector<OcrLine> Read(const std::string& sample, const BatchSettings& batching) {
    OcrOptions options;
    options.batching = batching;
    OcrResult result;
    EXPECT_TRUE(engine_.Recognize(LoadSample(sample), options, result)) << result.log;
    return result.lines;
  }

  OcrEngine engine_;
};

constexpr BatchSettings kOneByOne{.recognitionBatch = 1, .orientationBatch = 1};

// One by one is how every line was read before lines shared calls: the default batches must give the
// same lines, scores included, orientation on.
TEST_F(BatchedRecognitionTest, DefaultBatchesGiveTheSameLinesAsOneByOne) {
  for (const std::string sample : {"screen_1920x1080", "upside_down"}) {
    SCOPED_TRACE(sample);
    const std::vector<OcrLine> alone = Read(sample, kOneByOne);
    for (const BatchSettings batching : {BatchSettings{}, BatchSettings{.recognitionBatch = 3, .orientationBatch = 2},
                                              BatchSettings{.recognitionBatch = 64, .recognitionBatchColumns = 64 * 3200}}) {
      SCOPED_TRACE(batching.recognitionBatch);
      const std::vector<OcrLine> together = Read(sample, batching);
      ASSERT_EQ(together.size(), alone.size());
      for (size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(together[i].index, alone[i].index);
        EXPECT_EQ(together[i].text, alone[i].text);
        EXPECT_FLOAT_EQ(together[i].score, alone[i].score);
        EXPECT_EQ(together[i].orientation, alone[i].orientation);
        EXPECT_EQ(together[i].box, alone[i].box);
      }
    }
  }
}

// The crops of the sample's lines in reading order.
std::vector<DecodedImage> LineCrops(OcrEngine& engine, const DecodedImage& image) {
  std::vector<DetBox> boxes;
  std::string error;
  bool runFailed = false;
  EXPECT_TRUE(DetectText(engine, image, 4096, boxes, error, runFailed)) << error;
  std::vector<DecodedImage> crops;
  for (const DetBox& box : OrderBoxes(boxes)) {
    crops.emplace_back();
    EXPECT_TRUE(CropLine(image, box, crops.back()));
  }
  return crops;
}

// Each reading against the crop read alone; an empty crop put among them fails alone.
void ExpectReadingsOfTheirCrops(OcrEngine& engine, std::vector<DecodedImage> crops, const BatchSettings& batching) {
  crops.insert(crops.begin() + 2, DecodedImage{});
  std::vector<const DecodedImage*> all;
  for (const DecodedImage& crop : crops) all.push_back(&crop);
  std::vector<LineReading> readings;
  RecognizeLines(engine, all, batching, readings);
  ASSERT_EQ(readings.size(), crops.size());
  EXPECT_FALSE(readings[2].read);
  EXPECT_EQ(readings[2].error, "Invalid line crop or Rec session");
  EXPECT_FALSE(readings[2].runFailed);
  for (size_t i = 0; i < crops.size(); ++i) {
    if (i == 2) continue;
    std::string text, error;
    float score = 0.0f;
    bool runFailed = false;
    ASSERT_TRUE(RecognizeLine(engine, crops[i], text, score, error, runFailed)) << error;
    EXPECT_TRUE(readings[i].read) << i;
    EXPECT_EQ(readings[i].text, text) << i;
  }
}

// Readings stay with their crops whatever the grouping: lines of many widths in same-width batches, and
// lines that padded batches sort by width (all of one bucket, so that padding leaves their input alone).
TEST_F(BatchedRecognitionTest, EveryReadingBelongsToItsCrop) {
  const std::vector<DecodedImage> crops = LineCrops(engine_, LoadSample("screen_1920x1080"));
  ASSERT_GE(crops.size(), 8u);
  std::vector<DecodedImage> spread;
  for (size_t i = 0; i < 6; ++i) spread.push_back(crops[i * crops.size() / 6]);
  ExpectReadingsOfTheirCrops(engine_, spread, BatchSettings{.recognitionBatch = 4, .orientationBatch = 1});

  // At height 48 these are 161 to 320 wide, all in the 320 bucket, and not in order of width.
  std::vector<DecodedImage> oneBucket;
  for (const DecodedImage& crop : crops) {
    const float target = static_cast<float>(crop.width) * 48.0f / static_cast<float>(crop.height);
    if (target > 161.0f && target < 319.0f && oneBucket.size() < 6) oneBucket.push_back(crop);
  }
  ASSERT_GE(oneBucket.size(), 4u);
  ExpectReadingsOfTheirCrops(engine_, oneBucket, BatchSettings{.recognitionBatch = 3, .orientationBatch = 1, .padRecognitionBatches = true});
}

// A failed shared call is the failure of each of its lines, so the pass's retry rules see every one.
TEST_F(BatchedRecognitionTest, FailedSharedCallFailsEachOfItsLines) {
  const DecodedImage image = LoadSample("dialog");
  DecodedImage a, b;
  ASSERT_TRUE(CropLine(image, DetBox{{{{10, 10}, {150, 10}, {150, 40}, {10, 40}}}, 1.0f}, a));
  ASSERT_TRUE(CropLine(image, DetBox{{{{10, 50}, {160, 50}, {160, 80}, {10, 80}}}, 1.0f}, b));
  engine_.rec.inputNames = {"no_such_input"};
  std::vector<LineReading> readings;
  RecognizeLines(engine_, {&a, &b}, BatchSettings{}, readings);
  ASSERT_EQ(readings.size(), 2u);
  for (const LineReading& reading : readings) {
    EXPECT_FALSE(reading.read);
    EXPECT_TRUE(reading.runFailed);
    EXPECT_FALSE(reading.error.empty());
    EXPECT_EQ(reading.text, "");
  }
}

}  // namespace
}  // namespace vesk
