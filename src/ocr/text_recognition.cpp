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

}  // namespace

bool RecognizeLine(OcrEngine& engine, const DecodedImage& crop, std::string& text, float& score, std::string& error,
                   bool& runFailed) {
  text.clear();
  score = 0.0f;
  if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty() || !engine.rec.loaded()) {
    error = "Invalid line crop or Rec session";
    return false;
  }

  // The crop's width at height 48; lines longer than the widest bucket are squeezed into it.
  const float targetF = std::roundf(static_cast<float>(crop.width) * 48.0f / static_cast<float>(crop.height));
  const int32_t target = static_cast<int32_t>(std::min(targetF, static_cast<float>(kWidthBuckets.back())));
  const int32_t bucket = BucketFor(target);
  const int32_t resampledWidth = std::min(target, bucket);

  std::vector<float> input(static_cast<size_t>(3) * kInputHeight * bucket, 0.0f);
  ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data(), resampledWidth, kInputHeight, kHalf,
                  kHalf, bucket, kInputHeight);
  OrtValueHandle tensor = CreateInputTensor(input.data(), input.size(), {1, 3, kInputHeight, bucket});
  if (!tensor) {
    error = "Failed to create Rec input tensor";
    return false;
  }
  OrtValueHandle output;
  if (!RunOnTensor(engine.rec, tensor, kDefaultOutputName, output, error, runFailed)) return false;
  if (!output) {
    error = "Recognition produced no output tensor";
    return false;
  }

  std::vector<int64_t> shape;
  if (!ReadShape(output.get(), shape)) {
    error = "Failed to inspect the recognition output tensor";
    return false;
  }
  const int64_t T = shape.size() >= 2 ? shape[1] : 0;
  const int64_t C = shape.size() >= 3 ? shape[2] : 0;
  // Any empty dimension means the tensor holds no data to decode, whatever T and C say.
  const bool empty = std::any_of(shape.begin(), shape.end(), [](int64_t d) { return d < 1; });
  if (T < 1 || C < 1 || empty) {
    error = "Unexpected recognition output shape (expected [1, T, C])";
    return false;
  }
  const int64_t dictSize = static_cast<int64_t>(engine.dictionary.size());
  if (C > dictSize + 1) {
    error = "Dictionary/model mismatch: model emits " + std::to_string(C) + " classes, dictionary has " +
            std::to_string(dictSize) + " entries (blank included)";
    return false;
  }
  const float* data = TensorData(output.get());
  if (data == nullptr) {
    error = "Failed to read the recognition output tensor";
    return false;
  }
  DecodeCtc(data, T, C, engine.dictionary, text, score, engine.profile.gapSpaceSteps);
  return true;
}

}  // namespace vesk
