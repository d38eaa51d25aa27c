#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/decoded_image.h"
#include "core/status.h"
#include "ocr/det_box.h"
#include "ocr/model_profile.h"
#include "platform/timeline.h"
#include "runtime/model.h"

namespace vesk {

// The factor the screenshot is scaled by for detection: down to min(maxSide, the settings' longer-side
// limit) on its longer side and, when the settings give a pixel budget, to at most that many pixels;
// never up.
float DetectionScale(int32_t width, int32_t height, int32_t maxSide, const DetectionSettings& settings);

// The scale a screenshot is detected at in tiles, or 0 when it is detected whole: with tiles on, a
// screenshot that DetectionScale would scale below the settings' share (tileMinScale) of what it
// gives a 1920 x 1080 screen is detected in tiles at that screen's scale.
float TileScale(int32_t width, int32_t height, int32_t maxSide, const DetectionSettings& settings);

// The boxes of the regions found, in raster order of the regions, and, when the settings give an upright
// slack, beside each the box its region gives fitted upright (the box itself when the upright rectangle
// is more than the slack larger than the tightest one): a short word's region is no rectangle, and its
// tightest fit is turned by a few degrees (a lone glyph's by up to 45), though the text stands upright.
struct DetectedBoxes {
  std::vector<DetBox> boxes;
  std::vector<DetBox> uprightFits;
};

// Finds the text lines of a screenshot with the detection model.
class TextDetector {
 public:
  // What the model's output is called when the file does not say.
  static constexpr char kDefaultOutput[] = "sigmoid_0.tmp_0";

  // A detector without a model: every call fails.
  TextDetector() = default;
  TextDetector(std::unique_ptr<Model> model, const DetectionSettings& settings, Timeline* timeline)
      : model_(std::move(model)), settings_(settings), timeline_(timeline) {}

  // The model runs on a copy of the screenshot scaled by DetectionScale. Boxes come in raster order of
  // their regions, in screenshot pixels. A failed model call fails with FailureKind::ModelCall, an
  // output that cannot be used with FailureKind::Recognition.
  Outcome<std::vector<DetBox>> DetectText(const DecodedImage& image, int32_t maxSide);

  // Runs on `model` from now on.
  void ReplaceModel(std::unique_ptr<Model> model) { model_ = std::move(model); }

 private:
  // One model call on a 1 x 3 x padH x padW input whose output must cover `height` rows and padW
  // columns.
  Outcome<ModelOutput> RunModel(std::span<float> input, int32_t padW, int32_t padH, int32_t height);
  Outcome<DetectedBoxes> DetectWhole(const DecodedImage& image, int32_t maxSide);
  Outcome<DetectedBoxes> DetectInTiles(const DecodedImage& image, int32_t maxSide, float scale);

  std::unique_ptr<Model> model_;
  DetectionSettings settings_;
  Timeline* timeline_ = nullptr;
};

}  // namespace vesk
