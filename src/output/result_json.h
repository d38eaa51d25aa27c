#pragma once
// The "vesk.ocr/1" JSON document of a successful run.

#include <string>
#include <string_view>
#include <vector>

#include "core/records.h"
#include "output/result_meta.h"

namespace vesk {

std::string BuildResultJson(const ResultMeta& meta, const std::vector<OcrLine>& lines,
                            const std::vector<BarcodeResult>& barcodes);
bool WriteResultJson(const std::u16string& jsonPath, const ResultMeta& meta, const std::vector<OcrLine>& lines,
                     const std::vector<BarcodeResult>& barcodes);
// text escaped for use between double quotes; bytes that are not well-formed UTF-8 become U+FFFD, so the
// document is valid UTF-8 whatever the strings held.
std::string JsonEscape(std::string_view text);

}  // namespace vesk
