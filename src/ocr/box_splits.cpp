#include "ocr/box_splits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>

#include "ocr/box_measures.h"
#include "ocr/cell_grid.h"
#include "ocr/screen_luma.h"

namespace vesk {

namespace {

// The share of the box's height above and below that is not searched for letters: the detector leaves
// room there, into which the neighbouring lines and underlines reach.
constexpr float kBandInset = 0.1f;
// A row of the band inked along more than this share of the box is a rule, not letters.
constexpr float kMaxRuleShare = 0.9f;
// The least height of the letters, as a share of the box's height.
constexpr float kMinLetterShare = 0.6f;
// A bar's items: at least this many blanks of at least this share of the width asked for.
constexpr size_t kBarBlanks = 3;
// The cells of ink a comb must cross in a box of fewer glyphs than a comb needs elsewhere: a short
// monospace line of words ("Edit > Go To", nine letters) is no bar of items. Longer boxes keep the
// usual count: with eight, a browser's menu bar in a proportional font fitted a comb by chance.
constexpr int32_t kShortBoxCombInkedCells = 8;
constexpr float kBarShare = 0.75f;
// A frame's edge is at most this many pixels wide, at least this many box heights long and this many
// times as long as the letters are high; glyphs of this many box heights or wider are of a Chinese,
// Japanese or Korean line.
constexpr int32_t kMaxFrameWidth = 2;
constexpr float kFrameBox = 0.9f;
constexpr float kFrameLetters = 1.5f;
// A frame's side ends in a corner, a run of its colour at least this long (within this distance of
// it), unless it runs on through this many box heights (a grid's line through the rows).
constexpr int32_t kCornerRun = 3;
constexpr int kCornerColour = 32;
constexpr float kFrameThrough = 1.5f;
constexpr float kWideGlyph = 0.7f;
// Boxes lower than this (pixels) hold too few rows to tell a blank from a thin letter.
constexpr float kMinHeight = 6.0f;
// How far either side of a blank its row is searched for a monospace font's cells, in heights: the
// comb's pitch is tried in steps that would drift off a long row's cells.
constexpr float kCombReach = 6.0f;
// A column's cells begin within this many pixels of one another: the detector's room beside a letter
// varies by a pixel or two with the letter.
constexpr float kColumnAlignment = 2.0f;
// How far above and below a box the cells of its column are looked for, in box heights: a table's rows
// stand together.
constexpr float kColumnReach = 10.0f;
// A word space, in letter heights: wider than the room between letters.
constexpr float kWordSpace = 0.3f;
// How much wider than the row's other word spaces the blank before a column's cell is.
constexpr float kColumnWider = 1.5f;


// Where a table's columns begin on a screen: the left edges of boxes with another box before them on
// their row. A list's or a paragraph's left edge has none, and words inside a line often stand where
// such a margin lies.
class ColumnStarts {
 public:
  explicit ColumnStarts(const std::vector<DetBox>& boxes) {
    std::vector<Edge> all;
    for (const DetBox& box : boxes) {
      if (IsUpright(box)) all.push_back({Left(box), Right(box), Top(box), Bottom(box)});
    }
    std::sort(all.begin(), all.end(), [](const Edge& a, const Edge& b) { return a.left < b.left; });
    for (size_t i = 0; i < all.size(); ++i) {
      const float middle = (all[i].top + all[i].bottom) / 2.0f;
      const auto before = [&](const Edge& e) { return e.right <= all[i].left && middle > e.top && middle < e.bottom; };
      if (std::any_of(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(i), before)) starts_.push_back(all[i]);
    }
  }

  // How many column starts lie in line with x, in rows near the box from `top` to `bottom` but not in
  // its own.
  size_t CountAt(float x, float top, float bottom) const {
    const float reach = kColumnReach * (bottom - top);
    const auto first = std::lower_bound(starts_.begin(), starts_.end(), x - kColumnAlignment,
                                        [](const Edge& e, float value) { return e.left < value; });
    size_t count = 0;
    for (auto it = first; it != starts_.end() && it->left <= x + kColumnAlignment; ++it) {
      const float middle = (it->top + it->bottom) / 2.0f;
      const bool otherRow = middle < top || middle > bottom;
      count += otherRow && middle > top - reach && middle < bottom + reach ? 1 : 0;
    }
    return count;
  }

 private:
  struct Edge {
    float left, right, top, bottom;
  };
  std::vector<Edge> starts_;
};

DetBox Piece(const DetBox& box, float left, float right) {
  DetBox piece = box;
  const float top = Top(box), bottom = Bottom(box);
  piece.points = {Point2f{left, top}, Point2f{right, top}, Point2f{right, bottom}, Point2f{left, bottom}};
  return piece;
}

using Span = std::pair<int32_t, int32_t>;  // columns [first, second)

// Which columns of a box hold letters, and how high the letters are.
struct Letters {
  std::vector<bool> inked;
  float height = 0.0f;
  Colour background{};
};

// The letters in the middle of the box's height, where neither a neighbouring line's descenders nor an
// underline reach; a row inked nearly all along is a rule or a frame's edge the box reaches into. The
// letters' height measures the blanks: the room the detector leaves around them varies with the box
// (one that reaches into a frame below is a sixth higher). A line without ascenders counts as a share
// of its box high.
Letters LettersOf(const DecodedImage& image, int32_t x0, int32_t x1, float top, float height) {
  const int32_t y0 = std::clamp(static_cast<int32_t>(top + kBandInset * height), 0, image.height - 1);
  const int32_t y1 = std::clamp(static_cast<int32_t>(top + height - kBandInset * height), y0, image.height - 1);
  const Colour background = BackgroundColour(image, x0, x1, y0, y1);
  const size_t columns = static_cast<size_t>(x1 - x0 + 1);
  Letters letters{std::vector<bool>(columns, false), 0.0f, background};
  std::vector<bool> row(columns);
  int32_t inkTop = y1 + 1, inkBottom = y0 - 1;
  for (int32_t y = y0; y <= y1; ++y) {
    size_t count = 0;
    for (size_t c = 0; c < columns; ++c) {
      row[c] = ColourDistance(PixelColour(image, x0 + static_cast<int32_t>(c), y), background) > kInkContrast;
      count += row[c] ? 1 : 0;
    }
    if (count == 0 || static_cast<float>(count) > kMaxRuleShare * static_cast<float>(columns)) continue;
    inkTop = std::min(inkTop, y);
    inkBottom = y;
    for (size_t c = 0; c < columns; ++c) letters.inked[c] = letters.inked[c] || row[c];
  }
  if (inkBottom >= inkTop) {
    letters.height = std::max(static_cast<float>(inkBottom - inkTop + 1), kMinLetterShare * height);
  }
  return letters;
}

// Runs of inked columns: mostly one glyph each, at a screen's small sizes.
std::vector<Span> Glyphs(const std::vector<bool>& inked) {
  std::vector<Span> glyphs;
  for (int32_t x = 0; x < static_cast<int32_t>(inked.size()); ++x) {
    if (!inked[static_cast<size_t>(x)]) continue;
    if (!glyphs.empty() && glyphs.back().second == x) {
      glyphs.back().second = x + 1;
    } else {
      glyphs.emplace_back(x, x + 1);
    }
  }
  return glyphs;
}

// How many rows, from its first to its last, the glyph in columns [from, to) has ink on between rows y0
// and y1.
int32_t GlyphHeight(const DecodedImage& image, int32_t from, int32_t to, int32_t y0, int32_t y1, const Colour& background) {
  int32_t first = -1, last = -1;
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = from; x < to; ++x) {
      if (ColourDistance(PixelColour(image, x, y), background) > kInkContrast) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

// Whether the glyph in columns [from, to) is the edge of a frame (an edit box's, a table's grid line): a
// line a pixel or two wide that stands out from the columns beside it, through the box's middle and on,
// about as long as the box is high and far longer than the line's letters, ending in a corner or running
// on. A letter ("l", a stem) is as high as the letters, a "|" ends in blank; where the ground changes
// colour above or below a box, the columns beside the line change with it, and the line ends there.
bool FrameEdge(const DecodedImage& image, int32_t from, int32_t to, float top, float height, float letterHeight) {
  if (to - from > kMaxFrameWidth || from < 1 || to >= image.width) return false;
  const auto standsOut = [&](int32_t y) {
    const Colour left = PixelColour(image, from - 1, y);
    const Colour right = PixelColour(image, to, y);
    for (int32_t x = from; x < to; ++x) {
      const Colour line = PixelColour(image, x, y);
      if (std::max(ColourDistance(line, left), ColourDistance(line, right)) > kInkContrast) return true;
    }
    return false;
  };
  const int32_t middle = std::clamp(static_cast<int32_t>(top + height / 2.0f), 0, image.height - 1);
  if (!standsOut(middle)) return false;
  int32_t first = middle, last = middle;
  while (first > 0 && standsOut(first - 1)) --first;
  while (last + 1 < image.height && standsOut(last + 1)) ++last;
  const float length = static_cast<float>(last - first + 1);
  if (length < kFrameBox * height || length < kFrameLetters * letterHeight) return false;
  if (length >= kFrameThrough * height) return true;
  // A frame's side meets its top or bottom: from an end of the line, or the row past it, a run of the
  // line's colour leaves sideways. A "|" between words ends in blank.
  const Colour line = PixelColour(image, from, middle);
  const auto sideways = [&](int32_t y) {
    if (y < 0 || y >= image.height) return false;
    const auto run = [&](int32_t start, int32_t step) {
      for (int32_t k = 0; k < kCornerRun; ++k) {
        const int32_t x = start + step * k;
        if (x < 0 || x >= image.width || ColourDistance(PixelColour(image, x, y), line) > kCornerColour) return false;
      }
      return true;
    };
    return run(from - 1, -1) || run(to, 1);
  };
  return sideways(first) || sideways(first - 1) || sideways(last) || sideways(last + 1);
}

// The glyphs gathered into fields. The blank between two glyphs parts two fields when, in a monospace
// row, it holds at least two blank cells, and otherwise when it is at least minBlank letter heights wide
// once the room a narrow glyph (a full stop, a colon, a "1") leaves beside it in its place is taken off.
// The items of a bar (a menu, tabs, a toolbar's labels) stand closer, but with many such blanks: a line
// with at least kBarBlanks of a share of that width parts at each of them. `columnStarts[i]` tells
// whether glyph i + 1 stands where a table's column begins; the blank before it parts the fields when
// it is half as wide again as the row's other word spaces. `frames[i]` tells whether a frame's edge
// stands between glyphs i and i + 1, which always parts them.
std::vector<Span> Fields(const std::vector<Span>& glyphs, const Letters& letters, float boxHeight, float minBlank,
                         const std::vector<bool>& columnStarts, const std::vector<bool>& frames) {
  std::vector<int32_t> widths;
  for (const auto& [from, to] : glyphs) widths.push_back(to - from);
  std::nth_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2), widths.end());
  const float usual = static_cast<float>(widths[widths.size() / 2]);
  const auto narrowness = [&](const Span& g) { return usual - std::min(usual, static_cast<float>(g.second - g.first)); };
  // The blank between glyphs i and i + 1 in letter heights, the room a narrow glyph leaves beside it
  // not counted.
  const auto blankAt = [&](size_t i) {
    const float narrow = (narrowness(glyphs[i]) + narrowness(glyphs[i + 1])) / 2.0f;
    return (static_cast<float>(glyphs[i + 1].first - glyphs[i].second) - narrow) / letters.height;
  };

  struct Gap {
    bool monospace = false;
    bool parts = false;  // for a monospace row
    float blank = 0.0f;  // in letter heights, for any other
    bool column = false;  // a column begins after it
  };
  std::vector<Gap> gaps(glyphs.size() - 1);
  size_t barBlanks = 0;
  const int32_t reach = static_cast<int32_t>(kCombReach * boxHeight);
  const int32_t combCells =
      glyphs.size() < static_cast<size_t>(kCombInkedCells) ? kShortBoxCombInkedCells : kCombInkedCells;
  const int32_t columns = static_cast<int32_t>(letters.inked.size());
  for (size_t i = 0; i < gaps.size(); ++i) {
    const int32_t from = glyphs[i].second, to = glyphs[i + 1].first;
    const bool column = columnStarts[i] && static_cast<float>(to - from) >= kWordSpace * letters.height;
    // Narrower blanks part nothing; the comb is searched for the others only.
    if (!column && static_cast<float>(to - from) < kBarShare * minBlank * letters.height) continue;
    const int32_t start = std::max(0, from - reach);
    const std::vector<bool> around(letters.inked.begin() + start, letters.inked.begin() + std::min(columns, to + reach));
    const std::vector<int32_t> cells =
        BlankCellsBetween(around, from - 1 - start, to + 1 - start, from - start, to - start, boxHeight, 0.0f,
                          combCells);
    if (!cells.empty()) {
      gaps[i] = {true, *std::min_element(cells.begin(), cells.end()) >= 2, 0.0f};
      continue;
    }
    gaps[i].blank = blankAt(i);
    gaps[i].column = column;
    barBlanks += gaps[i].blank >= kBarShare * minBlank ? 1 : 0;
  }
  const float least = barBlanks >= kBarBlanks ? kBarShare * minBlank : minBlank;
  // A blank before a column's cell stands out from the row's other word spaces (outside monospace
  // cells); a row with no other word space gives nothing to compare with.
  const auto standsOut = [&](size_t i) {
    std::vector<float> others;
    for (size_t j = 0; j < gaps.size(); ++j) {
      if (j != i && !gaps[j].monospace && blankAt(j) >= kWordSpace) others.push_back(blankAt(j));
    }
    if (others.empty()) return false;
    std::nth_element(others.begin(), others.begin() + static_cast<std::ptrdiff_t>(others.size() / 2), others.end());
    return blankAt(i) >= kColumnWider * others[others.size() / 2];
  };

  std::vector<Span> fields{glyphs.front()};
  for (size_t i = 0; i < gaps.size(); ++i) {
    if (frames[i] || (gaps[i].monospace ? gaps[i].parts : gaps[i].blank >= least || (gaps[i].column && standsOut(i)))) {
      fields.push_back(glyphs[i + 1]);
    } else {
      fields.back().second = glyphs[i + 1].second;
    }
  }
  return fields;
}

// Appends the box, or its pieces when its letters stand apart as fields.
void SplitBox(const DetBox& box, float minBlank, const DecodedImage& image, const ColumnStarts* starts,
              size_t columnBoxes, std::vector<DetBox>& out) {
  const float left = Left(box), right = Right(box), top = Top(box);
  const float height = Bottom(box) - top;
  if (!IsUpright(box) || height < kMinHeight || right - left < height) {
    out.push_back(box);
    return;
  }
  const int32_t x0 = std::clamp(static_cast<int32_t>(std::ceil(left)), 0, image.width - 1);
  const int32_t x1 = std::clamp(static_cast<int32_t>(std::floor(right)) - 1, x0, image.width - 1);
  const Letters letters = LettersOf(image, x0, x1, top, height);
  std::vector<Span> glyphs = Glyphs(letters.inked);
  // Frame edges between letters part fields and are dropped; at the box's ends they are left as glyphs,
  // as the room beside the outer letters is measured from them. Chinese, Japanese and Korean characters
  // are about as wide as high, and their vertical strokes stand apart like frame edges: a line with such
  // wide glyphs is not looked at.
  const bool narrow = std::all_of(glyphs.begin(), glyphs.end(), [&](const Span& g) {
    return static_cast<float>(g.second - g.first) < kWideGlyph * height;
  });
  std::vector<Span> inner;
  std::vector<bool> frames;
  bool framed = false;
  const auto thin = [](const Span& g) { return g.second - g.first <= kMaxFrameWidth; };
  if (narrow && glyphs.size() >= 3 && std::any_of(glyphs.begin() + 1, glyphs.end() - 1, thin)) {
    // The letters' height: the median of the glyphs' own, a frame's among them or not.
    const int32_t y0 = std::clamp(static_cast<int32_t>(top + kBandInset * height), 0, image.height - 1);
    const int32_t y1 = std::clamp(static_cast<int32_t>(top + height - kBandInset * height), y0, image.height - 1);
    std::vector<int32_t> heights;
    for (const Span& g : glyphs) heights.push_back(GlyphHeight(image, x0 + g.first, x0 + g.second, y0, y1, letters.background));
    std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
    const float letterHeight = static_cast<float>(heights[heights.size() / 2]);
    for (size_t i = 0; i < glyphs.size(); ++i) {
      const bool edge = i > 0 && i + 1 < glyphs.size() && thin(glyphs[i]) &&
                        FrameEdge(image, x0 + glyphs[i].first, x0 + glyphs[i].second, top, height, letterHeight);
      if (edge) {
        framed = true;
        frames.back() = true;
        continue;
      }
      inner.push_back(glyphs[i]);
      frames.push_back(false);
    }
  }
  if (framed) {
    glyphs = std::move(inner);
    frames.pop_back();
  } else {
    frames.assign(glyphs.empty() ? 0 : glyphs.size() - 1, false);
  }
  if (glyphs.size() < 2) {
    out.push_back(box);
    return;
  }
  // Every piece keeps the room the detector left beside the box's first and last letter.
  const float before = static_cast<float>(x0 + glyphs.front().first) - left;
  std::vector<bool> columnStarts(glyphs.size() - 1, false);
  for (size_t i = 0; starts != nullptr && i < columnStarts.size(); ++i) {
    const float start = static_cast<float>(x0 + glyphs[i + 1].first) - before;
    columnStarts[i] = starts->CountAt(start, top, top + height) >= columnBoxes;
  }
  const std::vector<Span> fields = Fields(glyphs, letters, height, minBlank, columnStarts, frames);
  if (fields.size() < 2) {
    out.push_back(box);
    return;
  }
  const float after = right - static_cast<float>(x0 + glyphs.back().second);
  for (const auto& [from, to] : fields) {
    out.push_back(Piece(box, std::max(left, static_cast<float>(x0 + from) - before),
                        std::min(right, static_cast<float>(x0 + to) + after)));
  }
}

}  // namespace

std::vector<DetBox> SplitAtWideBlanks(std::vector<DetBox> boxes, float minBlank, const DecodedImage& image,
                                      int32_t columnBoxes) {
  if (!(minBlank > 0.0f) || image.width <= 0 || image.height <= 0) return boxes;
  std::optional<ColumnStarts> starts;
  if (columnBoxes > 0) starts.emplace(boxes);
  std::vector<DetBox> out;
  out.reserve(boxes.size());
  for (const DetBox& box : boxes) {
    SplitBox(box, minBlank, image, starts ? &*starts : nullptr, static_cast<size_t>(std::max(columnBoxes, 0)), out);
  }
  return out;
}

}  // namespace vesk
