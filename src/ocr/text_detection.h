#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/det_box.h"
#include "ocr/model_profile.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// The factor the screenshot is scaled by for detection: down to min(maxSide, the profile's longer-side
// limit, 960 without a profile) on its longer side and, when the profile sets a pixel budget, to at
// most that many pixels; never up.
float DetectionScale(int32_t width, int32_t height, int32_t maxSide, const ModelProfile& profile);

// Finds the text boxes of the screenshot with the detection model, on a copy scaled by
// DetectionScale. Boxes come in raster order of their regions, in
// screenshot pixels. False with `error` set when the model could not be run or read; `runFailed` is
// raised only when the model call itself failed.
bool DetectText(OcrEngine& engine, const DecodedImage& image, int32_t maxSide, std::vector<DetBox>& boxes,
                std::string& error, bool& runFailed);

}  // namespace vesk
