#include "ocr/listing_modes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>

#include "ocr/box_measures.h"
#include "ocr/dropped_characters.h"

namespace vesk {
namespace {

constexpr size_t kLeastPlaces = 4;
constexpr float kStartSlack = 0.5f;   // in heights
constexpr float kWidthSlack = 0.1f;   // share of the whole mode's box width
constexpr float kListingReach = 20.0f;  // in heights

// A whole mode: its type and nine places, each a dash or its letter (s, S, t, T in an x's place),
// perhaps followed by a "." or "+".
bool IsMode(std::string_view text) {
  static constexpr std::string_view kLetters = "rwxrwxrwx";
  if (text.size() == 11 && (text.back() == '.' || text.back() == '+')) text.remove_suffix(1);
  if (text.size() != 10 || std::string_view("-dlcbps").find(text[0]) == std::string_view::npos) return false;
  for (size_t i = 0; i < kLetters.size(); ++i) {
    const char c = text[i + 1];
    const bool special = kLetters[i] == 'x' && (c == 's' || c == 'S' || c == 't' || c == 'T');
    if (c != '-' && c != kLetters[i] && !special) return false;
  }
  // Ten dashes are a rule under a heading far more often than a file without permissions.
  return text.find_first_not_of('-') != std::string_view::npos;
}

// The characters of a mode with some places lost, the recogniser's confusions undone and spaces
// dropped; empty when the text holds anything else.
std::string LostPlaces(std::string_view text) {
  std::string kept;
  for (char c : text) {
    switch (c) {
      case ' ': break;
      case 'u': case 'v': kept += 'w'; break;
      case 'n': kept += 'r'; break;
      case '1': case 'I': case '|': kept += 'l'; break;
      default:
        if (std::string_view("-dlcbpsrwxStT").find(c) == std::string_view::npos) return {};
        kept += c;
    }
  }
  const bool lettered = kept.find_first_not_of('-') != std::string::npos;
  return kept.size() >= kLeastPlaces && lettered && std::string_view("-dlcbps").find(kept[0]) != std::string_view::npos
             ? kept
             : std::string();
}

// Whether `part` can be had from the mode `whole` by dropping places, its type kept.
bool PlacesDroppedFrom(std::string_view part, std::string_view whole) {
  return !part.empty() && !whole.empty() && part[0] == whole[0] && DroppedFrom(part, whole);
}

}  // namespace

void ReadListingModes(std::vector<std::string>& texts, const std::vector<const DetBox*>& boxes) {
  // By middle, so that the modes near a line are found by a binary search.
  std::vector<size_t> whole;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (IsMode(texts[i])) whole.push_back(i);
  }
  if (whole.empty()) return;
  std::sort(whole.begin(), whole.end(), [&](size_t a, size_t b) { return CentreY(*boxes[a]) < CentreY(*boxes[b]); });
  std::vector<std::pair<size_t, std::string>> read;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (IsMode(texts[i])) continue;
    const std::string kept = LostPlaces(texts[i]);
    if (kept.empty()) continue;
    const DetBox& own = *boxes[i];
    const float height = Height(own);
    std::string found;
    bool ambiguous = false;
    const float reach = kListingReach * height;
    auto it = std::lower_bound(whole.begin(), whole.end(), CentreY(own) - reach,
                               [&](size_t k, float y) { return CentreY(*boxes[k]) < y; });
    for (; it != whole.end() && CentreY(*boxes[*it]) <= CentreY(own) + reach; ++it) {
      const size_t k = *it;
      const DetBox& other = *boxes[k];
      const float width = Right(other) - Left(other);
      if (std::fabs(Left(other) - Left(own)) > kStartSlack * height ||
          std::fabs(Right(own) - Left(own) - width) > kWidthSlack * width) {
        continue;
      }
      const std::string_view mode = std::string_view(texts[k]).substr(0, 10);
      if (!PlacesDroppedFrom(kept, mode) || mode == found) continue;
      ambiguous = !found.empty();
      if (ambiguous) break;
      found = mode;
    }
    if (!found.empty() && !ambiguous) read.emplace_back(i, found);
  }
  for (auto& [i, mode] : read) texts[i] = std::move(mode);
}

}  // namespace vesk
