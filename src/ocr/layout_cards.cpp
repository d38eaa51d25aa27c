// Cards side by side: columns that a wide empty stripe cuts across, with a card starting at the same
// height in every column below it, are rows of cards.

#include <algorithm>
#include <cstddef>
#include <vector>

#include "ocr/layout_reader.h"

namespace vesk::layout {
namespace {

// The empty stripe between two rows of cards, in text heights: a card's padding twice and the grid's
// gap. Inside a card, and between the paragraphs of text columns, lines stand closer.
constexpr float kCardRowGap = 2.5f;
// Cards of one row start together: the tops of their first lines lie this close, in text heights.
constexpr float kCardTopTolerance = 0.6f;
// Windows tiled two by two (terminals) stand closer: a window's padding twice; but the lines of the
// windows of one row start exactly together, in one font.
constexpr float kTileRowGap = 1.0f;
constexpr float kTileTopTolerance = 0.25f;

}  // namespace

// Columns are read one after the other; but when every column starts a card right below the same wide
// empty stripe, the stripe parts rows of cards, each row read card by card:
//
//   Alpha          Beta           Gamma        <- cards start together
//   text text      text text      text text
//   tag   Jan 2    tag   Mar 1    tag   May 4
//                                              <- wide stripe: the next row of cards
//   Delta          Epsilon
//
// Returns the rows of cards from the top down, or nothing when there is no such stripe.
std::vector<Group> LayoutReader::CardRows(const Group& block, const std::vector<Group>& columns) const {
  // Windows tiled side by side, each with columns of its own (terminals), stand closer than cards, and
  // their lines start exactly together.
  const bool tiles = std::all_of(columns.begin(), columns.end(), [&](const Group& c) { return HoldsColumns(c); });
  const float rowGap = (tiles ? kTileRowGap : kCardRowGap) * unit_;
  const float topTolerance = (tiles ? kTileTopTolerance : kCardTopTolerance) * unit_;
  // Columns are contiguous from left to right; a box's column is found by its centre.
  std::vector<float> starts;
  for (const Group& column : columns) {
    float left = ext_[column.front()].left;
    for (size_t p : column) left = std::min(left, ext_[p].left);
    starts.push_back(left);
  }
  const auto columnOf = [&](size_t p) {
    return static_cast<size_t>(std::upper_bound(starts.begin() + 1, starts.end(), ext_[p].cx) - starts.begin() - 1);
  };

  std::vector<Group> bands = Bands(block);
  std::vector<Group> rows;
  float bottom = 0.0f;
  for (Group& band : bands) {
    float top = ext_[band.front()].top, bandBottom = ext_[band.front()].bottom;
    for (size_t p : band) {
      top = std::min(top, ext_[p].top);
      bandBottom = std::max(bandBottom, ext_[p].bottom);
    }
    bool startsCards = !rows.empty() && top - bottom >= rowGap;
    if (startsCards) {
      // Most columns have the first line of a card in this band, all at one height; a card's tag or
      // date on its right, a column of its own, starts lower down.
      std::vector<float> firstTop(columns.size(), -1.0f);
      for (size_t p : band) {
        float& t = firstTop[columnOf(p)];
        t = t < 0.0f ? ext_[p].top : std::min(t, ext_[p].top);
      }
      std::erase(firstTop, -1.0f);
      const auto [lo, hi] = std::minmax_element(firstTop.begin(), firstTop.end());
      startsCards = firstTop.size() >= 2 && 2 * firstTop.size() >= columns.size() &&
                    *hi - *lo <= topTolerance;
    }
    if (rows.empty() || startsCards) {
      rows.emplace_back();
    }
    rows.back().insert(rows.back().end(), band.begin(), band.end());
    bottom = std::max(bottom, bandBottom);
  }
  if (rows.size() < 2) return {};
  return rows;
}

}  // namespace vesk::layout
