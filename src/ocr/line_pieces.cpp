#include "ocr/line_pieces.h"

#include <algorithm>
#include <string>

namespace vesk {

size_t CountCharacters(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

void JoinPiece(OcrLine& line, size_t& lineCharacters, const OcrLine& piece, char separator) {
  if (line.orientation == 180) {
    line.text = piece.text + separator + line.text;
  } else {
    line.text += separator;
    line.text += piece.text;
  }

  // The score is the mean probability of the characters read, so each piece weighs by its characters.
  const size_t pieceCharacters = CountCharacters(piece.text);
  const size_t characters = lineCharacters + pieceCharacters;
  if (characters > 0) {
    line.score = static_cast<float>((static_cast<double>(line.score) * static_cast<double>(lineCharacters) +
                                     static_cast<double>(piece.score) * static_cast<double>(pieceCharacters)) /
                                    static_cast<double>(characters));
  }
  lineCharacters = characters;

  int32_t left = line.box[0].x, right = left, top = line.box[0].y, bottom = top;
  for (const Quad& quad : {line.box, piece.box}) {
    for (const IntPoint& corner : quad) {
      left = std::min(left, corner.x);
      right = std::max(right, corner.x);
      top = std::min(top, corner.y);
      bottom = std::max(bottom, corner.y);
    }
  }
  line.box = {IntPoint{left, top}, IntPoint{right, top}, IntPoint{right, bottom}, IntPoint{left, bottom}};
}

}  // namespace vesk
