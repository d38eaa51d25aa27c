#pragma once
// Marks that are not text (check boxes, spin buttons, tree boxes, icons) reach the recogniser as short
// boxes and come back as a symbol or a Chinese character: "√", "+", "口", "中".

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

// Which of the lines of one screen are marks: a line of at most maxChars characters (spaces not
// counted) with no letter or digit of an alphabetic script, on a screen whose longer lines are Latin
// text (under a twentieth of their characters Chinese, Japanese or Korean). On a CJK screen a short
// line is a word; on a screen without longer lines nothing says which, and every line stays. maxChars
// 0 marks none.
std::vector<bool> FindMarkLines(const std::vector<std::string>& texts, int32_t maxChars);

}  // namespace vesk
