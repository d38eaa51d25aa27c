#pragma once
// Literal file-name wildcards: "*" matches any run of units (none included), "?" exactly one unit, and
// every other unit itself, with no special meaning for dots.

#include <string_view>

namespace vesk {

bool MatchesWildcard(std::u16string_view name, std::u16string_view pattern);

}  // namespace vesk
