#pragma once

#include <cstdint>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Width and height of the orientation model's input.
inline constexpr int32_t kOrientationInputWidth = 192;
inline constexpr int32_t kOrientationInputHeight = 48;

// Fills `input` with the orientation model's input for the crop, laid out as `layout` says:
// 3 x 48 x 192 floats normalised to [-1, 1], 0 where nothing was drawn.
void OrientationInputTensor(const DecodedImage& crop, OrientationInput layout, std::vector<float>& input);

// Asks the orientation model whether the line is upside down. Returns 180 after turning the crop
// over, else 0. The engine's profile decides the input layout, the probability the verdict needs and
// which lines are too short to be turned at all. Every failure answers 0 and leaves the crop as it
// is: orientation is a refinement, never a reason to lose a line.
int ClassifyOrientation(OcrEngine& engine, DecodedImage& crop);

// The same for every crop, up to `batch` of them in one model call (the input shape is the same for
// all); angles[i] belongs to crops[i]. A failed call answers 0 for each of its lines.
void ClassifyOrientations(OcrEngine& engine, const std::vector<DecodedImage*>& crops, int32_t batch,
                          std::vector<int>& angles);

}  // namespace vesk
