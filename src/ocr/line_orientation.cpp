#include "ocr/line_orientation.h"

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

}  // namespace

int ClassifyOrientation(OcrEngine& engine, DecodedImage& crop) {
  if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty() || !engine.cls.loaded()) return 0;

  TimedStage preparing(engine.timeline, "cls input");
  std::vector<float> input(static_cast<size_t>(3) * kInputHeight * kInputWidth, 0.0f);
  ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data(), kInputWidth, kInputHeight, kHalf,
                  kHalf, kInputWidth, kInputHeight);
  preparing.Stop();
  TimedStage running(engine.timeline, "model: cls");
  OrtValueHandle tensor = CreateInputTensor(input.data(), input.size(), {1, 3, kInputHeight, kInputWidth});
  if (!tensor) return 0;

  OrtValueHandle output;
  std::string error;
  bool runFailed = false;
  if (!RunOnTensor(engine.cls, tensor, kDefaultOutputName, output, error, runFailed) || !output) return 0;
  running.Stop();
  // The two class values are read only when the output really holds two.
  if (ElementCount(TensorShape(output.get())) < 2) return 0;
  const float* values = TensorData(output.get());
  if (values == nullptr) return 0;
  const float upright = values[0];
  const float upsideDown = values[1];
  output.reset();
  if (upsideDown > upright) {
    Rotate180(crop);
    return 180;
  }
  return 0;
}

}  // namespace vesk
