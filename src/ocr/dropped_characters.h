#pragma once
// Text the recogniser read with characters lost: what was drawn can be told from the read text when the
// read text can be had from it by dropping characters.

#include <cstddef>
#include <string_view>

namespace vesk {

// Whether `part` can be had from `whole` by dropping characters (kept in order).
inline bool DroppedFrom(std::string_view part, std::string_view whole) {
  size_t k = 0;
  for (char c : whole) {
    if (k < part.size() && part[k] == c) ++k;
  }
  return k == part.size();
}

}  // namespace vesk
