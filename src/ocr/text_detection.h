#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/decoded_image.h"
#include "ocr/det_box.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Finds the text boxes of the screenshot with the detection model, on a copy scaled to at most
// min(maxSide, 960) pixels on its longer side. Boxes come in raster order of their regions, in
// screenshot pixels. False with `error` set when the model could not be run or read; `runFailed` is
// raised only when the model call itself failed.
bool DetectText(OcrEngine& engine, const DecodedImage& image, int32_t maxSide, std::vector<DetBox>& boxes,
                std::string& error, bool& runFailed);

}  // namespace vesk
