#pragma once
// What the barcode scan does with the records of found symbols, whatever library version found them.

#include <vector>

#include "core/records.h"

namespace vesk {

// True when a and b, found by two reads of one picture, are one symbol: same format and text, and the
// centre of b's box lies within a's box (or on its edge).
bool IsSameSymbol(const BarcodeResult& a, const BarcodeResult& b);

// Sorts by the first corner's y, then its x. Not stable: records with the same first corner end up in
// any order.
void SortSymbols(std::vector<BarcodeResult>& results);

}  // namespace vesk
