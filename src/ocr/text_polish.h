#pragma once

#include <string>
#include <string_view>

namespace vesk {

// The clean-up a reader expects of one recognised line: full-width punctuation (U+FF01 to U+FF5E,
// the ideographic comma and full stop) whose nearest characters on either side are Latin and none
// is Chinese becomes its ASCII form, and spaces at both ends go. Punctuation within Chinese text
// stays as it is.
std::string PolishLineText(std::string_view text);

}  // namespace vesk
