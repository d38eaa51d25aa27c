#include "ocr/text_recognition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "ocr/ctc_decode.h"
#include "ocr/resize_normalize.h"
#include "runtime/ort_handles.h"
#include "runtime/ort_manager.h"
#include "runtime/tensor.h"

namespace vesk {

namespace {

constexpr int32_t kInputHeight = 48;
constexpr std::array<int32_t, 9> kWidthBuckets{160, 320, 480, 640, 960, 1280, 1920, 2560, 3200};
constexpr std::array<float, 3> kHalf{0.5f, 0.5f, 0.5f};
constexpr const char* kDefaultOutputName = "softmax_0.tmp_0";

int32_t BucketFor(int32_t target) {
  for (int32_t bucket : kWidthBuckets) {
    if (bucket >= target) return bucket;
  }
  return kWidthBuckets.back();
}

// The output's dimensions. False when no shape description can be had at all; a failing count or
// dimension query leaves the list empty instead.
bool ReadShape(const OrtValue* value, std::vector<int64_t>& shape) {
  shape.clear();
  const OrtApi* api = OrtManager::Instance().api;
  if (api == nullptr) return false;
  TensorTypeAndShapeInfoHandle info(api, nullptr);
  if (DiscardStatus(api, api->GetTensorTypeAndShape(value, info.out())) || !info) return false;
  size_t count = 0;
  if (DiscardStatus(api, api->GetDimensionsCount(info.get(), &count))) count = 0;
  shape.resize(count);
  if (count > 0 && DiscardStatus(api, api->GetDimensions(info.get(), shape.data(), count))) shape.clear();
  return true;
}

// One line's place in the recognition input: its width at height 48 (squeezed to the widest bucket
// when longer) and the bucket that holds it.
struct LineWidth {
  int32_t resampled = 0;
  int32_t bucket = 0;
};

LineWidth WidthFor(const DecodedImage& crop) {
  const float targetF = std::roundf(static_cast<float>(crop.width) * 48.0f / static_cast<float>(crop.height));
  const int32_t target = static_cast<int32_t>(std::min(targetF, static_cast<float>(kWidthBuckets.back())));
  const int32_t bucket = BucketFor(target);
  return {std::min(target, bucket), bucket};
}

// Reads the lines `members` of crops in one model call of tensor width `width`, each line resampled
// into its own plane at its own width and followed by zeros; the readings of all of them are filled.
void ReadBatch(OcrEngine& engine, const std::vector<const DecodedImage*>& crops, const std::vector<LineWidth>& widths,
               const std::vector<size_t>& members, int32_t width, std::vector<LineReading>& readings) {
  const auto failAll = [&](const std::string& error, bool runFailed) {
    for (size_t i : members) {
      readings[i].error = error;
      readings[i].runFailed = runFailed;
    }
  };
  const int64_t n = static_cast<int64_t>(members.size());
  const size_t plane = static_cast<size_t>(3) * kInputHeight * width;

  TimedStage preparing(engine.timeline, "rec input");
  std::vector<float> input(plane * members.size(), 0.0f);
  for (size_t k = 0; k < members.size(); ++k) {
    const DecodedImage& crop = *crops[members[k]];
    ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data() + k * plane,
                    widths[members[k]].resampled, kInputHeight, kHalf, kHalf, width, kInputHeight);
  }
  preparing.Stop();

  TimedStage running(engine.timeline, "model: rec");
  OrtValueHandle tensor = CreateInputTensor(input.data(), input.size(), {n, 3, kInputHeight, width});
  if (!tensor) return failAll("Failed to create Rec input tensor", false);
  OrtValueHandle output;
  std::string error;
  bool runFailed = false;
  if (!RunOnTensor(engine.rec, tensor, kDefaultOutputName, output, error, runFailed)) return failAll(error, runFailed);
  running.Stop();

  TimedStage decoding(engine.timeline, "ctc");
  if (!output) return failAll("Recognition produced no output tensor", false);
  std::vector<int64_t> shape;
  if (!ReadShape(output.get(), shape)) return failAll("Failed to inspect the recognition output tensor", false);
  const int64_t T = shape.size() >= 2 ? shape[1] : 0;
  const int64_t C = shape.size() >= 3 ? shape[2] : 0;
  // Any empty dimension means the tensor holds no data to decode, whatever T and C say; and every line
  // of the call needs its own rows.
  const bool empty = std::any_of(shape.begin(), shape.end(), [](int64_t d) { return d < 1; });
  if (T < 1 || C < 1 || empty || shape[0] < n) {
    return failAll("Unexpected recognition output shape (expected [1, T, C])", false);
  }
  const int64_t dictSize = static_cast<int64_t>(engine.dictionary.size());
  if (C > dictSize + 1) {
    return failAll("Dictionary/model mismatch: model emits " + std::to_string(C) + " classes, dictionary has " +
                       std::to_string(dictSize) + " entries (blank included)",
                   false);
  }
  const float* data = TensorData(output.get());
  if (data == nullptr) return failAll("Failed to read the recognition output tensor", false);
  for (size_t k = 0; k < members.size(); ++k) {
    LineReading& reading = readings[members[k]];
    DecodeCtc(data + static_cast<size_t>(k) * static_cast<size_t>(T * C), T, C, engine.dictionary, reading.text,
              reading.score, engine.profile.gapSpaceSteps);
    reading.read = true;
  }
}

}  // namespace

void RecognizeLines(OcrEngine& engine, const std::vector<const DecodedImage*>& crops, const BatchSettings& batching,
                    std::vector<LineReading>& readings) {
  readings.assign(crops.size(), LineReading{});
  std::vector<LineWidth> widths(crops.size());
  std::vector<size_t> readable;
  for (size_t i = 0; i < crops.size(); ++i) {
    const DecodedImage& crop = *crops[i];
    if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty() || !engine.rec.loaded()) {
      readings[i].error = "Invalid line crop or Rec session";
      continue;
    }
    widths[i] = WidthFor(crop);
    readable.push_back(i);
  }
  // How many lines of tensor width `width` one call may take: at most recognitionBatch, and no more
  // than fit into recognitionBatchColumns side by side, so that wide lines, whose calls need the most
  // memory, go one or two at a time.
  const auto most = [&](int32_t width) {
    const int32_t fit = batching.recognitionBatchColumns / std::max(width, 1);
    return static_cast<size_t>(std::max(std::min(batching.recognitionBatch, fit), 1));
  };

  if (batching.padRecognitionBatches) {
    // Neighbours in width share a call, padded to the bucket of the widest.
    std::stable_sort(readable.begin(), readable.end(),
                     [&](size_t a, size_t b) { return widths[a].resampled < widths[b].resampled; });
    std::vector<size_t> members;
    for (size_t i : readable) {
      if (!members.empty() && members.size() + 1 > most(widths[i].bucket)) {
        ReadBatch(engine, crops, widths, members, widths[members.back()].bucket, readings);
        members.clear();
      }
      members.push_back(i);
    }
    if (!members.empty()) ReadBatch(engine, crops, widths, members, widths[members.back()].bucket, readings);
    return;
  }

  // Only lines of the same bucket share a call, so each gets exactly the input it gets alone.
  for (int32_t bucket : kWidthBuckets) {
    std::vector<size_t> members;
    for (size_t i : readable) {
      if (widths[i].bucket != bucket) continue;
      members.push_back(i);
      if (members.size() == most(bucket)) {
        ReadBatch(engine, crops, widths, members, bucket, readings);
        members.clear();
      }
    }
    if (!members.empty()) ReadBatch(engine, crops, widths, members, bucket, readings);
  }
}

bool RecognizeLine(OcrEngine& engine, const DecodedImage& crop, std::string& text, float& score, std::string& error,
                   bool& runFailed) {
  std::vector<LineReading> readings;
  RecognizeLines(engine, {&crop}, BatchSettings{}, readings);
  LineReading& reading = readings.front();
  text = std::move(reading.text);
  score = reading.score;
  if (!reading.read) {
    error = reading.error;
    if (reading.runFailed) runFailed = true;
  }
  return reading.read;
}

}  // namespace vesk
