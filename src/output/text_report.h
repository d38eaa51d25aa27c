#pragma once
// The plain-text report the viewer shows, and the failure report that takes its place.

#include <string>
#include <vector>

#include "core/records.h"

namespace vesk {

std::string BuildTextReport(const std::vector<OcrLine>& lines, const std::vector<BarcodeResult>& barcodes);
bool WriteTextReport(const std::u16string& textPath, const std::vector<OcrLine>& lines,
                     const std::vector<BarcodeResult>& barcodes);

// "OCR Failed:" and the message, each on a line of its own.
std::string BuildFailureReport(const std::string& message);
bool WriteFailureReport(const std::u16string& textPath, const std::string& message);

}  // namespace vesk
