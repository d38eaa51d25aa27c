#pragma once

#include <cstdint>
#include <vector>

#include "imaging/decoded_image.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Asks the orientation model whether the line is upside down. Returns 180 after turning the crop
// over, else 0. Every failure answers 0 and leaves the crop as it is: orientation is a refinement,
// never a reason to lose a line.
int ClassifyOrientation(OcrEngine& engine, DecodedImage& crop);

// The same for every crop, up to `batch` of them in one model call (the input shape is the same for
// all); angles[i] belongs to crops[i]. A failed call answers 0 for each of its lines.
void ClassifyOrientations(OcrEngine& engine, const std::vector<DecodedImage*>& crops, int32_t batch,
                          std::vector<int>& angles);

}  // namespace vesk
