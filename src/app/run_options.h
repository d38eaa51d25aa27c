#pragma once
// The parsed command line of one run.

#include <cstdint>
#include <optional>
#include <string>

#include "ocr/execution_provider.h"
#include "ocr/reading_order.h"

namespace vesk {

struct RunOptions {
  std::u16string screenshotPath;
  std::u16string viewerExePath;
  std::u16string inputPath;
  ExecutionProvider executionProvider = ExecutionProvider::Auto;
  bool classifyOrientation = true;
  bool scanBarcodes = true;
  int32_t maxSide = 4096;
  int32_t waitTimeoutMs = 120000;
  bool console = false;
  ForceDmlFail forceDmlFail = ForceDmlFail::None;
  std::optional<ReadingOrder> readingOrder;  // --order; without it the model profile's order
  std::u16string timelinePath;  // where to write how long each stage took; empty for nowhere
  bool valid = false;
  std::u16string error;  // the first error met; empty when valid
};

}  // namespace vesk
