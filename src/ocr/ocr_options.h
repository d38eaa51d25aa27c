#pragma once
// What one OCR pass is asked to do, travelling as one record from the run to every step that needs it.

#include <cstdint>

#include "ocr/batch_settings.h"
#include "ocr/reading_order.h"

namespace vesk {

struct OcrOptions {
  bool classifyOrientation = true;             // turn upside-down lines over before reading them
  int32_t maxSide = 4096;                      // can only lower the detection input limit
  ReadingOrder order = ReadingOrder::Columns;  // how the detected lines are put into reading order
  BatchSettings batching;                      // how many lines share a model call
};

}  // namespace vesk
