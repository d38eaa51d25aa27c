#include "ocr/size_units.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

#include "ocr/box_measures.h"

namespace vesk {
namespace {

// How many other sizes in gigabytes a row must hold: one could be a number that happens to end in a
// 6 beside a size.
constexpr int kLeastSizes = 2;
// The longest size a listing prints, in characters; how far apart, in line heights, the sizes of one
// listing's row stand at most (a screen of terminals side by side has other listings on the same row).
constexpr size_t kLongestSize = 5;
constexpr float kRowReach = 8.0f;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits with at most one point inside them, at least one digit before `end`.
bool IsNumber(const std::string& text, size_t end) {
  bool point = false;
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '.' && !point && i > 0 && i + 1 < end) {
      point = true;
    } else if (!IsDigit(text[i])) {
      return false;
    }
  }
  return end > 0;
}

bool IsGigabytes(const std::string& text) { return text.size() >= 2 && text.back() == 'G' && IsNumber(text, text.size() - 1); }

// A size whose G was read as a 6: at least two digits, the last the 6, and no more than a listing
// prints (three digits and a unit, or a digit, a point, a digit and a unit: "190G", "1.9G").
bool IsMisreadSize(const std::string& text) {
  return text.size() >= 2 && text.size() <= kLongestSize && text.back() == '6' && IsNumber(text, text.size() - 1);
}

}  // namespace

void ReadSizeUnits(std::vector<std::string>& texts, const std::vector<const DetBox*>& boxes) {
  // By middle, so that the lines of a row are found by a binary search.
  std::vector<size_t> byMiddle(boxes.size());
  std::iota(byMiddle.begin(), byMiddle.end(), size_t{0});
  std::sort(byMiddle.begin(), byMiddle.end(), [&](size_t a, size_t b) { return CentreY(*boxes[a]) < CentreY(*boxes[b]); });
  std::vector<size_t> misread;
  for (size_t i = 0; i < texts.size(); ++i) {
    if (!IsMisreadSize(texts[i])) continue;
    const float middle = CentreY(*boxes[i]);
    const float reach = Height(*boxes[i]) / 2.0f;
    auto it = std::lower_bound(byMiddle.begin(), byMiddle.end(), middle - reach,
                               [&](size_t k, float y) { return CentreY(*boxes[k]) < y; });
    // The sizes near it, and whether its nearest neighbour on either side is one.
    int sizes = 0;
    const DetBox& own = *boxes[i];
    const float left = Left(own), right = Right(own);
    float nearestLeft = 0.0f, nearestRight = 0.0f;
    bool leftSize = false, rightSize = false, anyLeft = false, anyRight = false;
    for (; it != byMiddle.end() && CentreY(*boxes[*it]) <= middle + reach; ++it) {
      if (*it == i) continue;
      const DetBox& other = *boxes[*it];
      const bool size = IsGigabytes(texts[*it]);
      if (Right(other) <= left) {
        const float gap = left - Right(other);
        if (!anyLeft || gap < nearestLeft) {
          nearestLeft = gap;
          leftSize = size;
          anyLeft = true;
        }
        sizes += size && gap <= kRowReach * Height(own) ? 1 : 0;
      } else if (Left(other) >= right) {
        const float gap = Left(other) - right;
        if (!anyRight || gap < nearestRight) {
          nearestRight = gap;
          rightSize = size;
          anyRight = true;
        }
        sizes += size && gap <= kRowReach * Height(own) ? 1 : 0;
      }
    }
    if (!leftSize && !rightSize) continue;
    if (sizes >= kLeastSizes) misread.push_back(i);
  }
  for (size_t i : misread) texts[i].back() = 'G';
}

}  // namespace vesk
