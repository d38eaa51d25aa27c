#pragma once

#include "core/records.h"
#include "ocr/det_box.h"

namespace vesk {

// The box's corners in whole pixels, halves rounded away from zero.
Quad RoundBoxCorners(const DetBox& box);

}  // namespace vesk
