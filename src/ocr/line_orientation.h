#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/model_profile.h"
#include "platform/timeline.h"
#include "runtime/model.h"

namespace vesk {

// Width and height of the orientation model's input.
inline constexpr int32_t kOrientationInputWidth = 192;
inline constexpr int32_t kOrientationInputHeight = 48;

// Fills `input` with the orientation model's input for the crop, laid out as `layout` says:
// 3 x 48 x 192 floats normalised to [-1, 1], 0 where nothing was drawn.
void OrientationInputTensor(const DecodedImage& crop, OrientationInput layout, std::vector<float>& input);

// Tells upside-down line crops from upright ones with the orientation model. Orientation is a
// refinement, never a reason to lose a line: every failure answers 0 and leaves the crop as it is.
class OrientationClassifier {
 public:
  // What the model's output is called when the file does not say.
  static constexpr char kDefaultOutput[] = "softmax_0.tmp_0";

  // A classifier without a model: every line is upright.
  OrientationClassifier() = default;
  OrientationClassifier(std::unique_ptr<Model> model, const OrientationSettings& settings, Timeline* timeline)
      : model_(std::move(model)), settings_(settings), timeline_(timeline) {}

  bool available() const { return model_ != nullptr; }

  // 180 after turning the crop over when the model finds it upside down, else 0. The settings decide
  // the input layout, the probability the verdict needs and which lines are too short to be turned.
  int ClassifyOrientation(DecodedImage& crop);

  // The same for every crop, up to `batch` of them in one model call (the input shape is the same for
  // all); the angle at i belongs to crops[i]. A failed call answers 0 for each of its lines.
  std::vector<int> ClassifyOrientations(const std::vector<DecodedImage*>& crops, int32_t batch);

 private:
  bool Classifiable(const DecodedImage& crop) const;
  void ClassifyBatch(const std::vector<DecodedImage*>& crops, const std::vector<size_t>& members,
                     std::vector<int>& angles);

  std::unique_ptr<Model> model_;
  OrientationSettings settings_;
  Timeline* timeline_ = nullptr;
};

}  // namespace vesk
