#include "ocr/line_orientation.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "ocr/line_crop.h"
#include "ocr/resize_normalize.h"
#include "runtime/tensor.h"

namespace vesk {

namespace {

constexpr int32_t kInputWidth = 192;
constexpr int32_t kInputHeight = 48;
constexpr std::array<float, 3> kHalf{0.5f, 0.5f, 0.5f};
constexpr const char* kDefaultOutputName = "softmax_0.tmp_0";

int64_t ElementCount(const std::vector<int64_t>& shape) {
  if (shape.empty()) return 0;
  int64_t count = 1;
  for (int64_t d : shape) {
    if (d < 1) return 0;
    count *= d;
  }
  return count;
}

bool Classifiable(const OcrEngine& engine, const DecodedImage& crop) {
  return crop.width > 0 && crop.height > 0 && !crop.pixels.empty() && engine.cls.loaded();
}

// Judges the crops `members` in one call and turns over those found upside down.
void ClassifyBatch(OcrEngine& engine, const std::vector<DecodedImage*>& crops, const std::vector<size_t>& members,
                   std::vector<int>& angles) {
  const size_t plane = static_cast<size_t>(3) * kInputHeight * kInputWidth;
  TimedStage preparing(engine.timeline, "cls input");
  std::vector<float> input(plane * members.size(), 0.0f);
  for (size_t k = 0; k < members.size(); ++k) {
    const DecodedImage& crop = *crops[members[k]];
    ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data() + k * plane, kInputWidth,
                    kInputHeight, kHalf, kHalf, kInputWidth, kInputHeight);
  }
  preparing.Stop();

  TimedStage running(engine.timeline, "model: cls");
  const int64_t n = static_cast<int64_t>(members.size());
  OrtValueHandle tensor = CreateInputTensor(input.data(), input.size(), {n, 3, kInputHeight, kInputWidth});
  if (!tensor) return;
  OrtValueHandle output;
  std::string error;
  bool runFailed = false;
  if (!RunOnTensor(engine.cls, tensor, kDefaultOutputName, output, error, runFailed) || !output) return;
  running.Stop();
  // The two class values of each line are read only when the output really holds them.
  if (ElementCount(TensorShape(output.get())) < 2 * n) return;
  const float* values = TensorData(output.get());
  if (values == nullptr) return;
  for (size_t k = 0; k < members.size(); ++k) {
    const float upright = values[2 * k];
    const float upsideDown = values[2 * k + 1];
    if (upsideDown > upright) {
      Rotate180(*crops[members[k]]);
      angles[members[k]] = 180;
    }
  }
}

}  // namespace

void ClassifyOrientations(OcrEngine& engine, const std::vector<DecodedImage*>& crops, int32_t batch,
                          std::vector<int>& angles) {
  angles.assign(crops.size(), 0);
  const size_t most = static_cast<size_t>(std::max(batch, 1));
  std::vector<size_t> members;
  for (size_t i = 0; i < crops.size(); ++i) {
    if (!Classifiable(engine, *crops[i])) continue;
    members.push_back(i);
    if (members.size() == most) {
      ClassifyBatch(engine, crops, members, angles);
      members.clear();
    }
  }
  if (!members.empty()) ClassifyBatch(engine, crops, members, angles);
}

int ClassifyOrientation(OcrEngine& engine, DecodedImage& crop) {
  std::vector<int> angles;
  ClassifyOrientations(engine, {&crop}, 1, angles);
  return angles.front();
}

}  // namespace vesk
