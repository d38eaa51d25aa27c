#pragma once

#include "core/decoded_image.h"
#include "ocr/det_box.h"

namespace vesk {

// Cuts the box out of the screenshot as an upright line picture of at least 4 x 4 pixels, sampling
// bilinearly; points past the screenshot repeat its edge pixels. False only for an empty screenshot.
bool CropLine(const DecodedImage& image, const DetBox& box, DecodedImage& crop);

// The box grown outwards by shares of its height: marginY above and below, marginX left and right,
// along the box's own sides. Zero margins give the box back unchanged.
DetBox ExpandBox(const DetBox& box, float marginY, float marginX);

// Turns the picture by 180 degrees in place.
void Rotate180(DecodedImage& image);

}  // namespace vesk
