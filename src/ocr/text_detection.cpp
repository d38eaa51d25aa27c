#include "ocr/text_detection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "ocr/box_geometry.h"
#include "ocr/resize_normalize.h"
#include "runtime/tensor.h"

namespace vesk {

namespace {

constexpr int32_t kPadMultiple = 64;
constexpr std::array<float, 3> kMean{0.485f, 0.456f, 0.406f};
constexpr std::array<float, 3> kStd{0.229f, 0.224f, 0.225f};
constexpr float kTextThreshold = 0.3f;
constexpr size_t kMinBoundaryPoints = 4;
constexpr float kBoxScoreThreshold = 0.6f;
constexpr float kExpansionRatio = 1.5f;
constexpr const char* kDefaultOutputName = "sigmoid_0.tmp_0";

int32_t PadUp(int32_t size) { return (size + kPadMultiple - 1) / kPadMultiple * kPadMultiple; }

}  // namespace

float DetectionScale(int32_t width, int32_t height, int32_t maxSide, const ModelProfile& profile) {
  const int32_t limit = std::min(maxSide, profile.detMaxSide);
  const int32_t longer = std::max(width, height);
  float f = longer > limit ? static_cast<float>(limit) / static_cast<float>(longer) : 1.0f;
  const double pixels = static_cast<double>(width) * static_cast<double>(height);
  if (profile.detMaxPixels > 0 && pixels * f * f > static_cast<double>(profile.detMaxPixels)) {
    f = static_cast<float>(std::sqrt(static_cast<double>(profile.detMaxPixels) / pixels));
  }
  return f;
}

bool DetectText(OcrEngine& engine, const DecodedImage& image, int32_t maxSide, std::vector<DetBox>& boxes,
                std::string& error, bool& runFailed) {
  boxes.clear();
  if (image.width <= 0 || image.height <= 0 || image.pixels.empty() || !engine.det.loaded()) {
    error = "Invalid image or detection session";
    return false;
  }

  const float f = DetectionScale(image.width, image.height, maxSide, engine.profile);
  const int32_t rw = static_cast<int32_t>(std::roundf(static_cast<float>(image.width) * f));
  const int32_t rh = static_cast<int32_t>(std::roundf(static_cast<float>(image.height) * f));
  // An extreme strip scales to nothing on one side: there is nothing the model could find in it,
  // and a zero-sized tensor is not worth handing to the runtime.
  if (rw <= 0 || rh <= 0) return true;
  const int32_t padW = PadUp(rw);
  const int32_t padH = PadUp(rh);

  TimedStage preparing(engine.timeline, "det input");
  std::vector<float> input(static_cast<size_t>(3) * padH * padW, 0.0f);
  ResizeNormalize(image.pixels.data(), image.width, image.height, input.data(), rw, rh, kMean, kStd, padW, padH);
  preparing.Stop();

  TimedStage running(engine.timeline, "model: det");
  OrtValueHandle tensor = CreateInputTensor(input.data(), input.size(), {1, 3, padH, padW});
  if (!tensor) {
    error = "Failed to create Det input tensor";
    return false;
  }
  OrtValueHandle output;
  if (!RunOnTensor(engine.det, tensor, kDefaultOutputName, output, error, runFailed)) return false;
  running.Stop();
  TimedStage boxing(engine.timeline, "det boxes");
  if (!output) {
    error = "Detection produced no output tensor";
    return false;
  }

  // An empty batch or channel would leave no data behind the pointer, so those must be at least 1.
  const std::vector<int64_t> shape = TensorShape(output.get());
  if (shape.size() != 4 || shape[0] < 1 || shape[1] < 1 || shape[2] < rh || shape[3] < padW) {
    error = "Unexpected detection output shape (expected [1, 1, H>=" + std::to_string(rh) +
            ", W>=" + std::to_string(padW) + "])";
    return false;
  }
  const float* prob = TensorData(output.get());
  if (prob == nullptr) {
    error = "Failed to read the detection probability map";
    return false;
  }
  // Rows of the map lie the output's own width apart (the padded input width for these models).
  const size_t stride = static_cast<size_t>(shape[3]);

  std::vector<uint8_t> mask(static_cast<size_t>(rw) * rh);
  for (int32_t y = 0; y < rh; ++y) {
    const float* row = prob + static_cast<size_t>(y) * stride;
    uint8_t* out = mask.data() + static_cast<size_t>(y) * rw;
    for (int32_t x = 0; x < rw; ++x) out[x] = row[x] >= kTextThreshold ? 255 : 0;
  }

  const float width = static_cast<float>(image.width);
  const float height = static_cast<float>(image.height);
  for (const TextRegion& region : ExtractRegions(mask.data(), rw, rh)) {
    const size_t n = region.boundary.size();
    if (n < kMinBoundaryPoints) continue;
    float sum = 0.0f;
    for (const Point2f& p : region.boundary) {
      sum += prob[static_cast<size_t>(p.y) * stride + static_cast<size_t>(p.x)];
    }
    const float score = sum / static_cast<float>(n);
    if (!(score >= kBoxScoreThreshold)) continue;

    const auto corners = FitBox(region.boundary, kExpansionRatio);
    if (!corners) continue;
    DetBox box;
    for (size_t i = 0; i < 4; ++i) {
      box.points[i].x = std::max(std::min((*corners)[i].x / f, width), 0.0f);
      box.points[i].y = std::max(std::min((*corners)[i].y / f, height), 0.0f);
    }
    box.score = score;
    boxes.push_back(box);
  }
  return true;
}

}  // namespace vesk
