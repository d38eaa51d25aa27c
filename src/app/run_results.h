#pragma once
// The last step of a run: what it found, written into the result files and the completion line.

#include <cstdint>
#include <vector>

#include "app/run_context.h"
#include "core/records.h"
#include "core/status.h"
#include "ocr/ocr_result.h"

namespace vesk {

struct RunResults {
  int32_t imageWidth = 0;  // the decoded screenshot's size
  int32_t imageHeight = 0;
  std::vector<BarcodeResult> barcodes;  // empty when the scan was off or failed
  OcrResult text;                       // the lines, and where detection and recognition ran
  int64_t elapsedMs = 0;                // from the run's start to the end of the OCR pass
};

// Writes the JSON document and then the text report, for which the viewer waits; a failure of kind
// OutputWrite names the file that could not be written.
Status WriteResults(const RunContext& run, const RunResults& results);

// The run log's last entry, "Completed: " with the counts, the time and the provider; with --console
// also on standard output.
void ReportCompletion(const RunContext& run, const RunResults& results);

}  // namespace vesk
