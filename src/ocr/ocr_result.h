#pragma once
// What one OCR pass gives back to the run.

#include <string>
#include <vector>

#include "core/records.h"

namespace vesk {

struct OcrResult {
  std::vector<OcrLine> lines;  // in reading order
  std::string ep;              // "dml" or "cpu": where detection and recognition ran
  std::string fallback;        // why the pass left DirectML; empty when it did not
  std::string log;             // diagnostic lines, each ending in "\n"
};

}  // namespace vesk
