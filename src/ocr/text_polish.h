#pragma once

#include <string>
#include <string_view>

namespace vesk {

// The clean-up a reader expects of one recognised line: full-width punctuation (U+FF01 to U+FF5E,
// the ideographic comma and full stop) whose nearest characters on either side are Latin and none
// is Chinese becomes its ASCII form, and spaces at both ends go. Punctuation within Chinese text
// stays as it is.
std::string PolishLineText(std::string_view text);

// Monospace and bitmap fonts draw zero with a slash or a dot inside, which the recogniser reads as a
// Greek theta. In a line with no other Greek letter, a run of thetas that stands beside a digit, or is
// the whole line, becomes zeros ("1θ24" reads "1024", a lone "θ" cell "0"); a theta among words stays.
std::string ReadSlashedZeros(std::string_view text);

// In small fonts a zero that stands alone (a table's "0" cell, a counter) reads as the letter o: a line
// that is nothing but "o" or "O" reads "0". No word is a lone o, and a mark read as one stays a line
// that matches nothing either way.
std::string ReadLoneZero(std::string_view text);

}  // namespace vesk
