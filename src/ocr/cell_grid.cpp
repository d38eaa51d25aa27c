#include "ocr/cell_grid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vesk {

namespace {

// Cell widths tried, in heights of the letters' band, and the steps of the search (pixels): a
// browser's monospace font has cells of fractional width.
constexpr float kMinCell = 0.3f;
constexpr float kPitchStep = 0.05f;
constexpr float kPhaseStep = 0.25f;
// Cells of the row that may be blank (spaces, padding), and cell edges that may hold
// ink (a smoothed "w" or "m" fills its cell and touches its neighbour), as shares.
constexpr float kMaxBlankCells = 0.5f;
constexpr float kMaxInkedEdges = 0.1f;

}  // namespace

std::vector<int32_t> BlankCellsBetween(const std::vector<bool>& inked, int32_t piecesStart, int32_t piecesEnd,
                                       int32_t gapStart, int32_t gapEnd, float height, float tallest,
                                       int32_t leastInkedCells) {
  const int32_t width = static_cast<int32_t>(inked.size());
  if (piecesStart < 0 || piecesStart >= gapStart || gapStart >= gapEnd || gapEnd >= piecesEnd || piecesEnd > width ||
      !(height > 0.0f)) {
    return {};
  }
  const auto fitsEdges = [](int32_t inkedEdges, int32_t edges) {
    return static_cast<float>(inkedEdges) <= kMaxInkedEdges * static_cast<float>(edges);
  };
  // Inked columns before each column, so that a cell's ink is told without walking it: every placing of
  // every comb crosses the whole row.
  std::vector<int32_t> before(inked.size() + 1, 0);
  for (size_t x = 0; x < inked.size(); ++x) before[x + 1] = before[x] + (inked[x] ? 1 : 0);
  // The narrowest cell that a comb fits is the font's: two or three cells fit as well.
  const float widest = kWidestCell * std::max(height, tallest);
  for (float pitch = kMinCell * height; pitch <= widest; pitch += kPitchStep) {
    if (pitch < 2.0f) continue;
    std::vector<int32_t> counts;
    for (float phase = 0.0f; phase < pitch; phase += kPhaseStep) {
      int32_t gapCells = 0;
      int32_t inkedCells = 0;
      int32_t blankCells = 0;
      int32_t previous = -1;
      int32_t edges = 0;
      int32_t inkedEdges = 0;
      int32_t pieceInkedEdges = 0;
      bool fits = true;
      for (float t = phase; t < static_cast<float>(width); t += pitch) {
        const int32_t x = static_cast<int32_t>(std::lround(t));
        if (x >= width) break;
        const bool inPieces = x >= piecesStart && x < piecesEnd;
        ++edges;
        if (inked[static_cast<size_t>(x)]) {
          ++inkedEdges;
          pieceInkedEdges += inPieces ? 1 : 0;
          if (!fitsEdges(inkedEdges - 1, edges)) {  // hopeless already, with one edge to spare
            fits = false;
            break;
          }
        }
        if (previous >= 0) {
          if (previous >= gapStart - 1 && x <= gapEnd) {
            ++gapCells;
          } else {
            const bool any = before[static_cast<size_t>(x)] > before[static_cast<size_t>(previous + 1)];
            (any ? inkedCells : blankCells) += 1;
          }
        }
        previous = x;
      }
      if (!fits || inkedCells < leastInkedCells) continue;
      // The pieces themselves may touch one edge at most: the row's other fields may be digits, which a
      // proportional font sets in cells of one width too.
      if (!fitsEdges(inkedEdges, edges) || pieceInkedEdges > 1) continue;
      if (static_cast<float>(blankCells) > kMaxBlankCells * static_cast<float>(inkedCells + blankCells)) continue;
      counts.push_back(gapCells);
    }
    if (!counts.empty()) return counts;
  }
  return {};
}

// The font of a whole row, told by the same combs.
bool ProportionalRow(const std::vector<bool>& inked, float height) {
  if (!(height > 0.0f)) return false;
  const auto first = std::find(inked.begin(), inked.end(), true);
  if (first == inked.end()) return false;
  const auto last = std::find(inked.rbegin(), inked.rend(), true);
  const float extent = static_cast<float>((inked.rend() - last) - (first - inked.begin()));
  if (extent < static_cast<float>(kCombInkedCells) * kWidestCell * height) return false;
  const int32_t width = static_cast<int32_t>(inked.size());
  for (float pitch = kMinCell * height; pitch <= kWidestCell * height; pitch += kPitchStep) {
    if (pitch < 2.0f) continue;
    for (float phase = 0.0f; phase < pitch; phase += kPhaseStep) {
      int32_t edges = 0;
      int32_t inkedEdges = 0;
      int32_t inkedCells = 0;
      int32_t previous = -1;
      bool fits = true;
      for (float t = phase; t < static_cast<float>(width) && fits; t += pitch) {
        const int32_t x = static_cast<int32_t>(std::lround(t));
        if (x >= width) break;
        ++edges;
        if (inked[static_cast<size_t>(x)]) {
          ++inkedEdges;
          // Hopeless already, with one edge to spare.
          fits = static_cast<float>(inkedEdges - 1) <= kMaxInkedEdges * static_cast<float>(edges);
        }
        bool any = false;
        for (int32_t c = previous + 1; previous >= 0 && c < x && !any; ++c) any = inked[static_cast<size_t>(c)];
        inkedCells += any ? 1 : 0;
        previous = x;
      }
      // However many of its cells are blank: a comb that fits is enough to leave the font untold.
      if (fits && inkedCells >= kCombInkedCells &&
          static_cast<float>(inkedEdges) <= kMaxInkedEdges * static_cast<float>(edges)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace vesk
