#pragma once
// One line of the report read in pieces: the pieces of a row of text, each cut out and read on its own.

#include <cstddef>
#include <string>

#include "core/records.h"

namespace vesk {

// Joins piece, the next piece of the row that line was read from, to line: its text after separator
// (before it when both were turned over, since an upside-down row reads from right to left), the box
// the rectangle around both, the score the mean over the characters of both. lineCharacters counts the
// characters read into line so far, and grows by the piece's.
void JoinPiece(OcrLine& line, size_t& lineCharacters, const OcrLine& piece, char separator);

// The characters (code points) of UTF-8 text.
size_t CountCharacters(const std::string& text);

}  // namespace vesk
