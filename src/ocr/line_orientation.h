#pragma once

#include "imaging/decoded_image.h"
#include "ocr/ocr_engine.h"

namespace vesk {

// Asks the orientation model whether the line is upside down. Returns 180 after turning the crop
// over, else 0. Every failure answers 0 and leaves the crop as it is: orientation is a refinement,
// never a reason to lose a line.
int ClassifyOrientation(OcrEngine& engine, DecodedImage& crop);

}  // namespace vesk
