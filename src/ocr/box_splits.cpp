#include "ocr/box_splits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
constexpr float kBarShare = 0.75f;
// Boxes lower than this (pixels) hold too few rows to tell a blank from a thin letter.
constexpr float kMinHeight = 6.0f;
// How far either side of a blank its row is searched for a monospace font's cells, in heights: the
// comb's pitch is tried in steps that would drift off a long row's cells.
constexpr float kCombReach = 6.0f;

using Colour = std::array<int, 3>;

Colour PixelColour(const DecodedImage& image, int32_t x, int32_t y) {
  const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * 3;
  return {p[0], p[1], p[2]};
}

// The largest difference in one channel: dark red or blue text on black (a terminal's colours) has
// little luma, but its own channel stands out.
int ColourDistance(const Colour& a, const Colour& b) {
  return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

// The colour of the luma most pixels of the band have: the background, even where letters fill half of
// it.
Colour Background(const DecodedImage& image, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  std::array<uint32_t, 256> counts{};
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) ++counts[static_cast<size_t>(Luma(image, x, y))];
  }
  const int mode = static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
  for (int32_t y = y0; y <= y1; ++y) {
    for (int32_t x = x0; x <= x1; ++x) {
      if (Luma(image, x, y) == mode) return PixelColour(image, x, y);
    }
  }
  return {mode, mode, mode};
}

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
};

// The letters in the middle of the box's height, where neither a neighbouring line's descenders nor an
// underline reach; a row inked nearly all along is a rule or a frame's edge the box reaches into. The
// letters' height measures the blanks: the room the detector leaves around them varies with the box
// (one that reaches into a frame below is a sixth higher). A line without ascenders counts as a share
// of its box high.
Letters LettersOf(const DecodedImage& image, int32_t x0, int32_t x1, float top, float height) {
  const int32_t y0 = std::clamp(static_cast<int32_t>(top + kBandInset * height), 0, image.height - 1);
  const int32_t y1 = std::clamp(static_cast<int32_t>(top + height - kBandInset * height), y0, image.height - 1);
  const Colour background = Background(image, x0, x1, y0, y1);
  const size_t columns = static_cast<size_t>(x1 - x0 + 1);
  Letters letters{std::vector<bool>(columns, false), 0.0f};
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

// The glyphs gathered into fields. The blank between two glyphs parts two fields when, in a monospace
// row, it holds at least two blank cells, and otherwise when it is at least minBlank letter heights wide
// once the room a narrow glyph (a full stop, a colon, a "1") leaves beside it in its place is taken off.
// The items of a bar (a menu, tabs, a toolbar's labels) stand closer, but with many such blanks: a line
// with at least kBarBlanks of a share of that width parts at each of them.
std::vector<Span> Fields(const std::vector<Span>& glyphs, const Letters& letters, float boxHeight, float minBlank) {
  std::vector<int32_t> widths;
  for (const auto& [from, to] : glyphs) widths.push_back(to - from);
  std::nth_element(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(widths.size() / 2), widths.end());
  const float usual = static_cast<float>(widths[widths.size() / 2]);
  const auto narrowness = [&](const Span& g) { return usual - std::min(usual, static_cast<float>(g.second - g.first)); };

  struct Gap {
    bool monospace = false;
    bool parts = false;  // for a monospace row
    float blank = 0.0f;  // in letter heights, for any other
  };
  std::vector<Gap> gaps(glyphs.size() - 1);
  size_t barBlanks = 0;
  const int32_t reach = static_cast<int32_t>(kCombReach * boxHeight);
  const int32_t columns = static_cast<int32_t>(letters.inked.size());
  for (size_t i = 0; i < gaps.size(); ++i) {
    const int32_t from = glyphs[i].second, to = glyphs[i + 1].first;
    // Narrower blanks part nothing; the comb is searched for the others only.
    if (static_cast<float>(to - from) < kBarShare * minBlank * letters.height) continue;
    const int32_t start = std::max(0, from - reach);
    const std::vector<bool> around(letters.inked.begin() + start, letters.inked.begin() + std::min(columns, to + reach));
    const std::vector<int32_t> cells =
        BlankCellsBetween(around, from - 1 - start, to + 1 - start, from - start, to - start, boxHeight);
    if (!cells.empty()) {
      gaps[i] = {true, *std::min_element(cells.begin(), cells.end()) >= 2, 0.0f};
      continue;
    }
    const float narrow = (narrowness(glyphs[i]) + narrowness(glyphs[i + 1])) / 2.0f;
    gaps[i].blank = (static_cast<float>(to - from) - narrow) / letters.height;
    barBlanks += gaps[i].blank >= kBarShare * minBlank ? 1 : 0;
  }
  const float least = barBlanks >= kBarBlanks ? kBarShare * minBlank : minBlank;

  std::vector<Span> fields{glyphs.front()};
  for (size_t i = 0; i < gaps.size(); ++i) {
    if (gaps[i].monospace ? gaps[i].parts : gaps[i].blank >= least) {
      fields.push_back(glyphs[i + 1]);
    } else {
      fields.back().second = glyphs[i + 1].second;
    }
  }
  return fields;
}

// Appends the box, or its pieces when its letters stand apart as fields.
void SplitBox(const DetBox& box, float minBlank, const DecodedImage& image, std::vector<DetBox>& out) {
  const float left = Left(box), right = Right(box), top = Top(box);
  const float height = Bottom(box) - top;
  if (!IsUpright(box) || height < kMinHeight || right - left < height) {
    out.push_back(box);
    return;
  }
  const int32_t x0 = std::clamp(static_cast<int32_t>(std::ceil(left)), 0, image.width - 1);
  const int32_t x1 = std::clamp(static_cast<int32_t>(std::floor(right)) - 1, x0, image.width - 1);
  const Letters letters = LettersOf(image, x0, x1, top, height);
  const std::vector<Span> glyphs = Glyphs(letters.inked);
  if (glyphs.size() < 2) {
    out.push_back(box);
    return;
  }
  const std::vector<Span> fields = Fields(glyphs, letters, height, minBlank);
  if (fields.size() < 2) {
    out.push_back(box);
    return;
  }
  // Every piece keeps the room the detector left beside the box's first and last letter.
  const float before = static_cast<float>(x0 + glyphs.front().first) - left;
  const float after = right - static_cast<float>(x0 + glyphs.back().second);
  for (const auto& [from, to] : fields) {
    out.push_back(Piece(box, std::max(left, static_cast<float>(x0 + from) - before),
                        std::min(right, static_cast<float>(x0 + to) + after)));
  }
}

}  // namespace

std::vector<DetBox> SplitAtWideBlanks(std::vector<DetBox> boxes, float minBlank, const DecodedImage& image) {
  if (!(minBlank > 0.0f) || image.width <= 0 || image.height <= 0) return boxes;
  std::vector<DetBox> out;
  out.reserve(boxes.size());
  for (const DetBox& box : boxes) SplitBox(box, minBlank, image, out);
  return out;
}

}  // namespace vesk
