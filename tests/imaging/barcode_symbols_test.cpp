// Records of symbols found by separate reads of one picture.
#include "imaging/barcode_symbols.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

BarcodeResult Symbol(const char* format, const char* text, IntPoint a, IntPoint b, IntPoint c, IntPoint d) {
  return BarcodeResult{format, text, {a, b, c, d}};
}

TEST(BarcodeSymbolsTest, OneSymbolFoundTwiceIsRecognisedWhateverItsCornerOrder) {
  const BarcodeResult found = Symbol("QRCode", "x", {100, 100}, {200, 100}, {200, 200}, {100, 200});
  // The other read placed its corners a little differently.
  EXPECT_TRUE(IsSameSymbol(found, Symbol("QRCode", "x", {102, 99}, {201, 101}, {199, 202}, {101, 199})));
  // Turned round: corners running the other way.
  EXPECT_TRUE(IsSameSymbol(Symbol("QRCode", "x", {200, 200}, {100, 200}, {100, 100}, {200, 100}), found));
  // A linear symbol found on a single scan line has a flat box: its centre lies on the box.
  const BarcodeResult line = Symbol("Code128", "y", {10, 50}, {300, 50}, {300, 50}, {10, 50});
  EXPECT_TRUE(IsSameSymbol(line, Symbol("Code128", "y", {12, 50}, {298, 50}, {298, 50}, {12, 50})));
}

TEST(BarcodeSymbolsTest, SymbolsThatDifferInPlaceTextOrFormatStayApart) {
  const BarcodeResult found = Symbol("QRCode", "x", {100, 100}, {200, 100}, {200, 200}, {100, 200});
  EXPECT_FALSE(IsSameSymbol(found, Symbol("QRCode", "x", {300, 100}, {400, 100}, {400, 200}, {300, 200})));
  EXPECT_FALSE(IsSameSymbol(found, Symbol("QRCode", "z", {100, 100}, {200, 100}, {200, 200}, {100, 200})));
  EXPECT_FALSE(IsSameSymbol(found, Symbol("MicroQRCode", "x", {100, 100}, {200, 100}, {200, 200}, {100, 200})));
  const BarcodeResult line = Symbol("Code128", "y", {10, 50}, {300, 50}, {300, 50}, {10, 50});
  EXPECT_FALSE(IsSameSymbol(line, Symbol("Code128", "y", {10, 90}, {300, 90}, {300, 90}, {10, 90})));
}

}  // namespace
}  // namespace vesk
