#include "platform/wildcard.h"

namespace vesk {

// Greedy matching that goes back to the last "*" on a mismatch: linear in practice, quadratic at worst.
bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern) {
  size_t n = 0;
  size_t p = 0;
  size_t starPattern = std::u16string_view::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starPattern = p++;
      starName = n;
    } else if (starPattern != std::u16string_view::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace vesk
