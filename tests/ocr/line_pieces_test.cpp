#include "ocr/line_pieces.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

OcrLine Piece(const char* text, float score, int32_t left, int32_t right, int32_t orientation = 0) {
  return {0, text, score, orientation, Quad{IntPoint{left, 20}, {right, 18}, {right, 41}, {left, 40}}};
}

TEST(LinePiecesTest, TextJoinsInReadingOrderBoxSpansAndScoreWeighsByCharacters) {
  OcrLine line = Piece("名前", 0.5f, 10, 60);  // two characters in six bytes
  size_t characters = CountCharacters(line.text);
  JoinPiece(line, characters, Piece("Alice", 0.8f, 100, 180), '\t');
  EXPECT_EQ(line.text, "名前\tAlice");
  EXPECT_FLOAT_EQ(line.score, (2 * 0.5f + 5 * 0.8f) / 7);
  EXPECT_EQ(line.box, (Quad{IntPoint{10, 18}, {180, 18}, {180, 41}, {10, 41}}));
  // An upside-down row reads from right to left.
  OcrLine turned = Piece("world", 0.9f, 0, 50, 180);
  JoinPiece(turned, characters, Piece("hello", 0.9f, 80, 130, 180), '\t');
  EXPECT_EQ(turned.text, "hello\tworld");
}

}  // namespace
}  // namespace vesk
