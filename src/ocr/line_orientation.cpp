#include "ocr/line_orientation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "ocr/line_crop.h"
#include "ocr/resize_normalize.h"
#include "ocr/side_by_side.h"

namespace vesk {

namespace {

constexpr int32_t kInputWidth = kOrientationInputWidth;
constexpr int32_t kInputHeight = kOrientationInputHeight;
constexpr std::array<float, 3> kHalf{0.5f, 0.5f, 0.5f};

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

// Whether the crop goes to the model at all: a drawn picture, a model, and (under the settings) a line
// long enough to be turned.
bool OrientationClassifier::Classifiable(const DecodedImage& crop) const {
  if (crop.width <= 0 || crop.height <= 0 || crop.pixels.empty() || !model_) return false;
  return !(static_cast<float>(crop.width) < settings_.minAspect * static_cast<float>(crop.height));
}

// Judges the crops `members` in one call and turns over those found upside down.
void OrientationClassifier::ClassifyBatch(const std::vector<DecodedImage*>& crops, const std::vector<size_t>& members,
                                          std::vector<int>& angles) {
  const size_t plane = static_cast<size_t>(3) * kInputHeight * kInputWidth;
  TimedStage preparing(timeline_, "cls input");
  std::vector<float> input(plane * members.size(), 0.0f);
  std::vector<float> one;
  for (size_t k = 0; k < members.size(); ++k) {
    OrientationInputTensor(*crops[members[k]], settings_.input, one);
    std::copy(one.begin(), one.end(), input.begin() + static_cast<std::ptrdiff_t>(k * plane));
  }
  preparing.Stop();

  TimedStage running(timeline_, "model: cls");
  const int64_t n = static_cast<int64_t>(members.size());
  const Outcome<ModelOutput> output = model_->Run(input, {n, 3, kInputHeight, kInputWidth});
  running.Stop();
  if (!output.ok() || !*output) return;
  // The two class values of each line are read only when the output really holds them.
  if (ElementCount(output->shape().value_or(std::vector<int64_t>{})) < 2 * n) return;
  const float* values = output->data();
  if (values == nullptr) return;
  for (size_t k = 0; k < members.size(); ++k) {
    const float upright = values[2 * k];
    const float upsideDown = values[2 * k + 1];
    const bool sureEnough = settings_.threshold <= 0.0f || upsideDown >= settings_.threshold;
    if (upsideDown > upright && sureEnough) {
      Rotate180(*crops[members[k]]);
      angles[members[k]] = 180;
    }
  }
}

std::vector<int> OrientationClassifier::ClassifyOrientations(const std::vector<DecodedImage*>& crops, int32_t batch) {
  std::vector<int> angles(crops.size(), 0);
  const size_t most = static_cast<size_t>(std::max(batch, 1));
  std::vector<std::vector<size_t>> calls;
  for (size_t i = 0; i < crops.size(); ++i) {
    if (!Classifiable(*crops[i])) continue;
    if (calls.empty() || calls.back().size() == most) calls.emplace_back();
    calls.back().push_back(i);
  }
  // Each call judges and turns its own lines only, so calls may run side by side.
  RunSideBySide(calls.size(), model_ ? model_->parallelRuns() : 1,
                [&](size_t k) { ClassifyBatch(crops, calls[k], angles); });
  return angles;
}

int OrientationClassifier::ClassifyOrientation(DecodedImage& crop) { return ClassifyOrientations({&crop}, 1).front(); }

}  // namespace vesk
