#pragma once
// zxing-cpp results turned into BarcodeResult records: one template for every library version the build
// may use (1.4's Result and 2.3's Barcode offer the same accessors).

#include <ZXing/BarcodeFormat.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "imaging/barcode_symbols.h"
#include "core/records.h"

namespace vesk {
namespace zxing_results {

// ZXing::ToString of a format: a C string (null for an unknown format) in 1.4, a std::string in 2.3.
inline std::string FormatName(const char* name) { return name != nullptr ? name : ""; }
inline std::string FormatName(std::string name) { return name; }

}  // namespace zxing_results

// Appends the library's results as records, in the library's order: format name, text, and the four
// position points in the library's order. Every result is kept, unless skipKnown is set and the result
// is a symbol that a record already in results describes (an earlier read of the same picture found it).
template <class Found>
void AppendSymbols(const Found& found, std::vector<BarcodeResult>& results, bool skipKnown = false) {
  const auto known = static_cast<std::ptrdiff_t>(skipKnown ? results.size() : 0);
  for (const auto& symbol : found) {
    BarcodeResult record;
    record.format = zxing_results::FormatName(ZXing::ToString(symbol.format()));
    record.text = symbol.text();
    const auto& position = symbol.position();
    for (size_t i = 0; i < record.box.size(); ++i) record.box[i] = IntPoint{position[i].x, position[i].y};
    const auto sameAsRecord = [&record](const BarcodeResult& earlier) { return IsSameSymbol(earlier, record); };
    if (std::any_of(results.begin(), results.begin() + known, sameAsRecord)) continue;
    results.push_back(std::move(record));
  }
}

}  // namespace vesk
