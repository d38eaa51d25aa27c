#include "ocr/line_pieces.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

OcrLine Piece(const char* text, float score, int32_t left, int32_t top, int32_t right, int32_t bottom,
              int32_t orientation = 0) {
  OcrLine line;
  line.text = text;
  line.score = score;
  line.orientation = orientation;
  line.box = {IntPoint{left, top}, IntPoint{right, top + 1}, IntPoint{right, bottom}, IntPoint{left, bottom - 1}};
  return line;
}

TEST(LinePiecesTest, TextJoinsInReadingOrderBoxSpansAndScoreWeighsByCharacters) {
  OcrLine line = Piece("名前", 0.5f, 10, 20, 60, 40);  // two characters in six bytes
  size_t characters = CountCharacters(line.text);
  JoinPiece(line, characters, Piece("Alice", 0.8f, 100, 18, 180, 41), '\t');
  JoinPiece(line, characters, Piece("ok", 0.2f, 200, 22, 230, 39), '\t');
  EXPECT_EQ(line.text, "名前\tAlice\tok");
  EXPECT_EQ(characters, 9u);
  EXPECT_FLOAT_EQ(line.score, (2 * 0.5f + 5 * 0.8f + 2 * 0.2f) / 9);
  EXPECT_EQ(line.box, (Quad{IntPoint{10, 18}, IntPoint{230, 18}, IntPoint{230, 41}, IntPoint{10, 41}}));

  // An upside-down row reads from right to left: the piece further right comes first.
  OcrLine turned = Piece("world", 0.9f, 0, 0, 50, 20, 180);
  characters = 5;
  JoinPiece(turned, characters, Piece("hello", 0.9f, 80, 0, 130, 20, 180), '\t');
  EXPECT_EQ(turned.text, "hello\tworld");
}

}  // namespace
}  // namespace vesk
