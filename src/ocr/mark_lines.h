#pragma once
// Marks that are not text (check boxes, spin buttons, tree boxes, icons) reach the recogniser as short
// boxes and come back as a symbol or a Chinese character: "√", "+", "口", "中".

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// Which of the lines of one screen are marks: a line of at most maxChars characters (spaces not
// counted) with no letter or digit of an alphabetic script and not a word of two Chinese characters or more (boxes aside), on a
// screen whose longer lines are Latin text (under a twentieth of their characters Chinese, Japanese or
// Korean). On a CJK screen a short line is a word; on a screen without longer lines nothing says which,
// and every line stays. maxChars 0 marks none.
std::vector<bool> FindMarkLines(const std::vector<std::string>& texts, int32_t maxChars);

// Whether a line is the buttons of a window's title bar (minimise, maximise, close) read as text
// ("- 0 ×", ". 0 x"): two to four characters standing apart, a space between each, the last a cross
// (x, X, ×: the close button ends the row), the others symbols or a maximise box's 0, o or O, at least
// one a symbol, with a mean character score (`score`) under 0.8. Such buttons stand apart in their
// frames, and the recogniser is unsure of them; text set that way ("x 2", "A - B") holds other letters
// or reads confidently, and garbled text ("- x -", "- 0" from a terminal's fields) does not end in a
// cross.
bool IsWindowButtons(const std::string& text, float score);

}  // namespace vesk
