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
#include "support/temp_dir.h"

namespace vesk {
namespace {

DecodedImage LoadSample(const std::string& name) {
  Outcome<DecodedImage> image = DecodeImage(FromUtf8((test::TestDataDir() / "samples" / (name + ".png")).string()));
  EXPECT_TRUE(image.ok()) << image.status().message();
  return image.ok() ? std::move(*image) : DecodedImage{};
}

std::vector<OcrLine> Read(OcrEngine& engine, const std::string& sample, const BatchSettings& batching) {
  OcrOptions options;
  options.batching = batching;
  const Outcome<OcrResult> result = engine.Recognize(LoadSample(sample), options);
  EXPECT_TRUE(result.ok()) << result.status().message();
  return result.ok() ? result->lines : std::vector<OcrLine>{};
}

// One by one is how every line was read before lines shared calls: the default batches must give the
// same lines, scores included, orientation on.
TEST(BatchedRecognitionTest, DefaultBatchesGiveTheSameLinesAsOneByOne) {
  OcrEngine engine;
  ASSERT_NO_FATAL_FAILURE(test::InitializeBundledCpuEngine(engine));
  for (const std::string sample : {"screen_1920x1080", "upside_down"}) {
    SCOPED_TRACE(sample);
    const std::vector<OcrLine> alone = Read(engine, sample, {.recognitionBatch = 1, .orientationBatch = 1});
    for (const BatchSettings batching : {BatchSettings{}, BatchSettings{.recognitionBatch = 3, .orientationBatch = 2},
                                         BatchSettings{.recognitionBatch = 64, .recognitionBatchColumns = 64 * 3200}}) {
      SCOPED_TRACE(batching.recognitionBatch);
      const std::vector<OcrLine> together = Read(engine, sample, batching);
      ASSERT_EQ(together.size(), alone.size());
      for (size_t i = 0; i < alone.size(); ++i) {
        EXPECT_EQ(together[i].index, alone[i].index);
        EXPECT_EQ(together[i].text, alone[i].text);
        EXPECT_FLOAT_EQ(together[i].score, alone[i].score);
        EXPECT_EQ(together[i].orientation, alone[i].orientation);
        for (size_t k = 0; k < 4; ++k) {
          EXPECT_EQ(together[i].box[k].x, alone[i].box[k].x);
          EXPECT_EQ(together[i].box[k].y, alone[i].box[k].y);
        }
      }
    }
  }
}

class SharedCallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(test::LoadBundledRuntime());
    const ModelPaths paths = test::BundledModelPaths();
    Outcome<Dictionary> dictionary = LoadDictionary(paths.dict);
    ASSERT_TRUE(dictionary.ok());
    dictionary_ = std::move(*dictionary);
    recognizer_ =
        LineRecognizer(test::BundledModel(paths.rec, LineRecognizer::kDefaultOutput), dictionary_, {}, nullptr);

    // The crops of the sample's lines in reading order.
    const DecodedImage image = LoadSample("screen_1920x1080");
    TextDetector detector(test::BundledModel(paths.det, TextDetector::kDefaultOutput), {}, nullptr);
    const Outcome<std::vector<DetBox>> boxes = detector.DetectText(image, 4096);
    ASSERT_TRUE(boxes.ok()) << boxes.status().message();
    for (const DetBox& box : OrderBoxes(*boxes)) {
      crops_.emplace_back();
      ASSERT_TRUE(CropLine(image, box, crops_.back()));
    }
    ASSERT_GE(crops_.size(), 8u);
  }

  // Each reading against the crop read alone.
  void ExpectReadingsOfTheirCrops(const std::vector<DecodedImage>& crops, const BatchSettings& batching) {
    std::vector<const DecodedImage*> all;
    for (const DecodedImage& crop : crops) all.push_back(&crop);
    const std::vector<Outcome<LineReading>> readings = recognizer_.RecognizeLines(all, batching);
    ASSERT_EQ(readings.size(), crops.size());
    for (size_t i = 0; i < crops.size(); ++i) {
      const Outcome<LineReading> alone = recognizer_.RecognizeLine(crops[i]);
      ASSERT_TRUE(alone.ok() && readings[i].ok()) << i;
      EXPECT_EQ(readings[i]->text, alone->text) << i;
    }
  }

  Dictionary dictionary_;
  LineRecognizer recognizer_;
  std::vector<DecodedImage> crops_;
};

// Readings stay with their crops whatever the grouping: lines of many widths in same-width batches, and
// lines that padded batches sort by width (all of one bucket, so that padding leaves their input alone).
TEST_F(SharedCallTest, EveryReadingBelongsToItsCrop) {
  std::vector<DecodedImage> spread;
  for (size_t i = 0; i < 6; ++i) spread.push_back(crops_[i * crops_.size() / 6]);
  ExpectReadingsOfTheirCrops(spread, {.recognitionBatch = 4, .orientationBatch = 1});

  // At height 48 these are 161 to 320 wide, all in the 320 bucket, and not in order of width.
  std::vector<DecodedImage> oneBucket;
  for (const DecodedImage& crop : crops_) {
    const float target = static_cast<float>(crop.width) * 48.0f / static_cast<float>(crop.height);
    if (target > 161.0f && target < 319.0f && oneBucket.size() < 6) oneBucket.push_back(crop);
  }
  ASSERT_GE(oneBucket.size(), 4u);
  ExpectReadingsOfTheirCrops(oneBucket, {.recognitionBatch = 3, .orientationBatch = 1, .padRecognitionBatches = true});
}

}  // namespace
}  // namespace vesk
