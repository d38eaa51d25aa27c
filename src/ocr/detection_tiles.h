#pragma once
// Detection of a large screenshot in overlapping tiles: where the tiles lie in the detection grid, and
// the one probability map of the whole grid that their outputs are merged into, from which the text
// regions are taken once, so that a line crossing a seam is one region like any other.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "ocr/box_geometry.h"

namespace vesk {

// One tile: the window of the grid the model sees, and the part of it whose probabilities are kept
// ([keepX0, keepX1) x [keepY0, keepY1), grid coordinates). The kept parts of all tiles cover the grid
// exactly once; neighbours split their overlap in the middle, so every kept pixel has at least half
// the overlap of context on each side that is not the grid's edge.
struct DetectionTile {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t keepX0 = 0;
  int32_t keepY0 = 0;
  int32_t keepX1 = 0;
  int32_t keepY1 = 0;
};

// Tiles of at most tileSide x tileSide pixels over a gridW x gridH grid, neighbours overlapping by
// at least `overlap` pixels (at most half the side is used), rows top to bottom and each row left to
// right. Tiles that need no padding are multiples of 64 on both sides where the grid allows; every
// tile of a plan has the same size, so the model sees one input shape.
std::vector<DetectionTile> PlanTiles(int32_t gridW, int32_t gridH, int32_t tileSide, int32_t overlap);

// A region of the merged map: its boundary pixels counted, their mean probability, and the
// rectangle sweep over them.
struct ScoredRegion {
  size_t boundaryPoints = 0;
  float score = 0.0f;
  const RectangleSweep* sweep = nullptr;
};

// The probability map of the whole grid, kept as a bit a pixel (text: at or above the text threshold)
// and, for the text pixels only, the probability in 255ths (at least 1), row by row in the order of
// the pixels. Box scoring needs the probability only where the mask is text, and on a screenshot
// most pixels are not: a 16384 x 4096 screenshot's map takes a few tens of megabytes instead of a
// byte a pixel on top of the picture.
class MergedProbabilityMap {
 public:
  MergedProbabilityMap(int32_t width, int32_t height);

  // Takes the kept part of `tile` from its probability map, whose rows lie `stride` values apart and
  // whose top-left value is the tile's top-left pixel, replacing what the map held there. Tiles taken
  // left to right along their rows cost the least; any order gives the same map.
  void Keep(const DetectionTile& tile, const float* prob, size_t stride, float threshold);

  // Every 4-connected text region in raster order of its first pixel, with the boundary rule of
  // ExtractRegions; the score is the mean of the boundary pixels' probabilities.
  void ForEachRegion(const std::function<void(const ScoredRegion&)>& visit) const;

 private:
  bool IsText(int32_t x, int32_t y) const;
  // Set bits of row y before column x.
  size_t TextBefore(int32_t x, int32_t y) const;

  int32_t width_;
  int32_t height_;
  size_t wordsPerRow_;
  std::vector<uint64_t> text_;                // wordsPerRow_ words a row, bit x % 64 of word x / 64
  std::vector<std::vector<uint8_t>> values_;  // per row, the text pixels' probabilities left to right
};

}  // namespace vesk
