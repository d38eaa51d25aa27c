#include "ocr/line_orientation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "ocr/line_crop.h"
#include "ocr/resize_normalize.h"
#include "runtime/tensor.h"

namespace vesk {

namespace {

constexpr int32_t kInputWidth = kOrientationInputWidth;
constexpr int32_t kInputHeight = kOrientationInputHeight;
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

// The columns [left, left + width) of the picture.
DecodedImage Columns(const DecodedImage& image, int32_t left, int32_t width) {
  DecodedImage out;
  out.width = width;
  out.height = image.height;
  out.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(image.height) * 3);
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* from = image.pixels.data() + (static_cast<size_t>(y) * image.width + left) * 3;
    std::copy(from, from + rowBytes, out.pixels.data() + static_cast<size_t>(y) * rowBytes);
  }
  return out;
}

}  // namespace

void OrientationInputTensor(const DecodedImage& crop, OrientationInput layout, std::vector<float>& input) {
  input.assign(static_cast<size_t>(3) * kInputHeight * kInputWidth, 0.0f);
  if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty()) return;
  if (layout == OrientationInput::Stretched) {
    ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data(), kInputWidth, kInputHeight, kHalf,
                    kHalf, kInputWidth, kInputHeight);
    return;
  }
  // Kept in proportion, a line fills the input only up to its own width; a longer one would have to
  // be squeezed, so a window of it that fills the input exactly is shown instead, from its middle,
  // where the text is least likely to be a short label or blank.
  const double scale = static_cast<double>(kInputHeight) / crop.height;
  const int32_t keptWidth = static_cast<int32_t>(std::lround(crop.width * scale));
  if (keptWidth <= kInputWidth) {
    ResizeNormalize(crop.pixels.data(), crop.width, crop.height, input.data(), std::max(keptWidth, 1), kInputHeight,
                    kHalf, kHalf, kInputWidth, kInputHeight);
    return;
  }
  const int32_t windowWidth = std::min(crop.width, static_cast<int32_t>(std::lround(kInputWidth / scale)));
  const DecodedImage window = Columns(crop, (crop.width - windowWidth) / 2, windowWidth);
  ResizeNormalize(window.pixels.data(), window.width, window.height, input.data(), kInputWidth, kInputHeight, kHalf,
                  kHalf, kInputWidth, kInputHeight);
}

int ClassifyOrientation(OcrEngine& engine, DecodedImage& crop) {
  if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty() || !engine.cls.loaded()) return 0;
  const ModelProfile& profile = engine.profile;
  if (static_cast<float>(crop.width) < profile.clsMinAspect * static_cast<float>(crop.height)) return 0;

  std::vector<float> input;
  OrientationInputTensor(crop, profile.clsInput, input);
  OrtValueHandle tensor = CreateInputTensor(input.data(), input.size(), {1, 3, kInputHeight, kInputWidth});
  if (!tensor) return 0;

  OrtValueHandle output;
  std::string error;
  bool runFailed = false;
  if (!RunOnTensor(engine.cls, tensor, kDefaultOutputName, output, error, runFailed) || !output) return 0;
  // The two class values are read only when the output really holds two.
  if (ElementCount(TensorShape(output.get())) < 2) return 0;
  const float* values = TensorData(output.get());
  if (values == nullptr) return 0;
  const float upright = values[0];
  const float upsideDown = values[1];
  output.reset();
  const bool sureEnough = profile.clsThreshold <= 0.0f || upsideDown >= profile.clsThreshold;
  if (upsideDown > upright && sureEnough) {
    Rotate180(crop);
    return 180;
  }
  return 0;
}

}  // namespace vesk
